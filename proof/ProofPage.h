// The proof page: one self-contained HTML file (inline CSS, no script, no
// network) showing what InDesign receives, made from the tagged text read
// back: rubies as <ruby>, kenten as text emphasis, warichu as a two-line
// note, every converted place marked for a proofreader, a switch between
// horizontal and vertical writing, and the conversion report at the top.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "proof/TaggedTextReader.h"

namespace tessaly::proof {

// An item of the report: what was left out or changed, and where in the
// text it is when that is known (paragraph numbers count from 1).
struct ReportItem {
    std::string text;
    std::optional<size_t> paragraph;
};

struct ProofReport {
    std::string title;             // the manuscript's name
    std::vector<ReportItem> items;  // what the reader left out
};

// The counts in one line, as the report shows them: 「モノルビ 3（親文字 4）、
// グループルビ 1、割注 1、圏点 2」, and 「、縦中横 1」 after them when there are any.
std::string CountsLine(const Counts& counts);

std::string ProofPageHtml(const TaggedText& text, const ProofReport& report);

// Writes the page to file, whole or not at all (as the output files are).
// Throws std::filesystem::filesystem_error.
void WriteProofPage(const std::filesystem::path& file, const TaggedText& text, const ProofReport& report);

}  // namespace tessaly::proof
