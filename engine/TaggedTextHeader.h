// The tagged-text header with its style sheet (built in, or the user's
// header.txt), and the separator and warichu surround texts of the options.
#pragma once

#include <filesystem>
#include <string>

#include "engine/ConversionOptions.h"

namespace tessaly {

struct TaggedTextHeaders {
    std::u16string windows;  // first line <UNICODE-WIN>
    std::u16string mac;      // first line <UNICODE-MAC>
};

// Header lines are joined by CR LF; the built-in header ends in the
// paragraph style tag with no line end. kentenScaleText replaces the kenten
// scale when bouten conversion is on. With TagHeader 1 and an existing
// customHeaderFile that file is the header.
TaggedTextHeaders BuildHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText,
                               const std::filesystem::path& customHeaderFile);

// The built-in headers alone.
TaggedTextHeaders BuiltInHeaders(const ConversionOptions& options, const std::u16string& kentenScaleText);

// Reads a custom header file: UTF-16 little-endian; a byte-order mark is not
// part of the text (a big-endian or UTF-8 mark selects that encoding).
// Without a mark, valid UTF-8 with no NUL byte (which UTF-16 tags always
// have) is read as UTF-8.
// Throws std::runtime_error when the file cannot be read.
std::u16string ReadCustomHeader(const std::filesystem::path& file);

struct SeparatorTexts {
    std::u16string ruby;             // △ ▲ ▽ ▼
    std::u16string warichu;          // ☆ ★ ◇ ◆
    std::u16string warichuOpening;   // bracket before a warichu, or empty
    std::u16string warichuClosing;   // bracket or spaces after a warichu, or empty
};

SeparatorTexts ReadSeparatorTexts(const ConversionOptions& options);

}  // namespace tessaly
