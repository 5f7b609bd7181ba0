// The main story of one document: a sequence of positions held in a gap
// buffer, so that edits that move steadily through the story (the kenten
// pass replaces stretch after stretch from start to end) cost time in
// proportion to what they touch, not to the story's length.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/SourceDocument.h"

namespace tessaly::wordproc {

// One position: an ordinary character (a Unicode code point) or a field.
struct Cell {
    uint32_t code = 0;     // code point, or kFieldBase + field index
    uint8_t emphasis = 0;  // emphasis mark 0-4
};

inline constexpr uint32_t kFieldBase = 0x110000;

inline bool IsField(const Cell& c) { return c.code >= kFieldBase; }

class Story {
public:
    Story();
    ~Story();
    Story(const Story&) = delete;
    Story& operator=(const Story&) = delete;

    size_t size() const { return m_capacity - gapLength(); }
    const Cell& operator[](size_t i) const { return i < m_gapStart ? m_cells[i] : m_cells[i + gapLength()]; }
    Cell& operator[](size_t i) { return i < m_gapStart ? m_cells[i] : m_cells[i + gapLength()]; }

    // Replaces the positions [start, end) by cells.
    void replace(size_t start, size_t end, std::span<const Cell> cells);

    // The first position at or after from that holds the character code,
    // or size() when there is none.
    size_t find(uint32_t code, size_t from) const;

    // Registers a field text and returns the cell code that stands for it.
    // Where its reading ends (in code points) is not known.
    uint32_t addField(std::u16string_view text) { return addField(text, {}, -1); }
    // Registers a ruby: its plain text is reading + base, and it knows where
    // the reading ends.
    uint32_t addRuby(std::u16string_view reading, std::u16string_view base);
    // A field whose text is text + more, its reading readingLength code
    // points long (-1 when not known).
    uint32_t addField(std::u16string_view text, std::u16string_view more, int32_t readingLength);
    // A field that stands for a stretch of text in East Asian layout.
    uint32_t addLayout(std::u16string_view text, EastAsianLayout layout);
    std::u16string_view fieldText(const Cell& c) const {
        const size_t i = c.code - kFieldBase;
        return std::u16string_view(m_fieldTexts).substr(m_fieldStarts[i], m_fieldStarts[i + 1] - m_fieldStarts[i]);
    }

    // Where a field's reading ends, in code points of its text, when known.
    std::optional<int32_t> fieldReadingLength(const Cell& c) const {
        const int32_t n = m_fieldReadings[c.code - kFieldBase];
        return n < 0 ? std::nullopt : std::optional<int32_t>(n);
    }

    // The East Asian layout a field stands for (None for a ruby or another field).
    EastAsianLayout fieldLayout(const Cell& c) const { return m_fieldLayouts[c.code - kFieldBase]; }

    // Replaces the whole content (the gap is put at the end).
    void assign(std::span<const Cell> cells);

    // Appends to the end (used while building).
    void append(const Cell& c) {
        if (m_gapEnd != m_capacity || m_gapStart == m_gapEnd) reserveAtEnd(1);
        m_cells[m_gapStart++] = c;
    }
    // Moves the gap to the end and makes room there for n more cells.
    void reserveAtEnd(size_t n);

private:
    size_t gapLength() const { return m_gapEnd - m_gapStart; }
    void moveGap(size_t to);
    void ensureGap(size_t needed);

    // The cells, gap included, in storage from malloc: it grows with
    // realloc, which can extend it in place or remap its pages instead of
    // copying them, and the gap is left as it comes, so pages the story has
    // not reached yet are never touched.
    Cell* m_cells = nullptr;
    size_t m_capacity = 0;
    size_t m_gapStart = 0;
    size_t m_gapEnd = 0;
    // The field texts one after another, and where each starts (with the
    // end of the last one after them): a book of many short ruby fields
    // makes two growing buffers, not a string object per field.
    std::u16string m_fieldTexts;
    std::vector<size_t> m_fieldStarts{0};
    std::vector<int32_t> m_fieldReadings;  // reading lengths, -1 where not known
    std::vector<EastAsianLayout> m_fieldLayouts;
};

}  // namespace tessaly::wordproc
