// Generates realistic large Japanese manuscripts for benchmarks: prose
// paragraphs with per-character ruby runs of 1-4 fields, group ruby,
// warichu, both kinds of bouten and characters that need escaping. The
// same seed always gives the same manuscript.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::bench {

struct ManuscriptShape {
    size_t characters = 100000;    // characters of text, ruby readings not counted
    double rubyPer1000 = 30;       // ruby fields per 1,000 characters
    double boutenPer1000 = 2;      // emphasis stretches per 1,000 characters
    uint64_t seed = 1;

    static ManuscriptShape Novel(size_t characters, uint64_t seed = 1);
    static ManuscriptShape ChildrensBook(size_t characters, uint64_t seed = 1);
};

// The WordprocessingML of the document part.
std::string GenerateDocumentXml(const ManuscriptShape& shape);

// The same manuscript as plain text (UTF-8) with its rubies and sesame
// emphasis in the notation |漢字《かんじ》 and 《《傍点》》.
std::string GenerateNotationText(const ManuscriptShape& shape);

// A whole .docx package in memory.
std::string GenerateDocx(const ManuscriptShape& shape);

}  // namespace tessaly::bench
