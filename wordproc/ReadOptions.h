// What a reader makes of a manuscript beyond its main story's text.
#pragma once

namespace tessaly::wordproc {

struct ReadOptions {
    // Ruby and emphasis written as text (|漢字《かんじ》, 《《傍点》》) in a Word
    // manuscript become rubies and emphasis; in a plain-text manuscript they
    // always do.
    bool rubyNotation = false;
    // Footnotes and endnotes stand at their reference marks (between the
    // note marks), and are not reported as left out.
    bool notesAsFootnotes = true;
    // List and heading numbers are written at the start of their paragraphs,
    // as the word processor shows them.
    bool numbersAsText = true;
    // なろう's parentheses, 漢字(かんじ), read as ruby too (ordinary prose has
    // parentheses, so only when asked for).
    bool narouRuby = false;
};

}  // namespace tessaly::wordproc
