#include "wordproc/Story.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/Text.h"

namespace tessaly::wordproc {

Story::Story() = default;

Story::~Story() { std::free(m_cells); }

void Story::moveGap(size_t to) {
    const size_t gap = gapLength();
    if (to < m_gapStart) {
        std::memmove(m_cells + to + gap, m_cells + to, (m_gapStart - to) * sizeof(Cell));
    } else if (to > m_gapStart) {
        std::memmove(m_cells + m_gapStart, m_cells + m_gapEnd, (to - m_gapStart) * sizeof(Cell));
    }
    m_gapStart = to;
    m_gapEnd = to + gap;
}

void Story::ensureGap(size_t needed) {
    if (gapLength() >= needed) return;
    const size_t tail = m_capacity - m_gapEnd;
    const size_t newGap = std::max(needed, size() / 2 + 64);
    const size_t capacity = m_gapStart + newGap + tail;
    auto* grown = static_cast<Cell*>(std::realloc(m_cells, capacity * sizeof(Cell)));
    if (!grown) throw std::bad_alloc();
    m_cells = grown;
    std::memmove(m_cells + m_gapStart + newGap, m_cells + m_gapEnd, tail * sizeof(Cell));
    m_capacity = capacity;
    m_gapEnd = m_gapStart + newGap;
}

void Story::replace(size_t start, size_t end, std::span<const Cell> cells) {
    moveGap(end);
    m_gapStart = start;  // the replaced positions join the gap
    ensureGap(cells.size());
    std::copy(cells.begin(), cells.end(), m_cells + m_gapStart);
    m_gapStart += cells.size();
}

size_t Story::find(uint32_t code, size_t from) const {
    // The two runs of cells on either side of the gap, scanned directly.
    const auto scan = [&](size_t begin, size_t end, size_t offset) -> size_t {
        for (size_t i = begin; i < end; ++i)
            if (m_cells[i].code == code) return i - offset;
        return std::string::npos;
    };
    if (from < m_gapStart) {
        const size_t hit = scan(from, m_gapStart, 0);
        if (hit != std::string::npos) return hit;
        from = m_gapStart;
    }
    const size_t hit = scan(from + gapLength(), m_capacity, gapLength());
    return hit != std::string::npos ? hit : size();
}

uint32_t Story::addRuby(std::u16string_view reading, std::u16string_view base) {
    return addField(reading, base, static_cast<int32_t>(CodePointCount(reading)));
}

uint32_t Story::addField(std::u16string_view text, std::u16string_view more, int32_t readingLength) {
    m_fieldTexts += text;
    m_fieldTexts += more;
    m_fieldStarts.push_back(m_fieldTexts.size());
    m_fieldReadings.push_back(readingLength);
    m_fieldLayouts.push_back(EastAsianLayout::None);
    return kFieldBase + static_cast<uint32_t>(m_fieldStarts.size() - 2);
}

uint32_t Story::addLayout(std::u16string_view text, EastAsianLayout layout) {
    const uint32_t code = addField(text, {}, -1);
    m_fieldLayouts.back() = layout;
    return code;
}

void Story::assign(std::span<const Cell> cells) {
    m_gapStart = m_gapEnd = 0;
    m_capacity = 0;
    ensureGap(cells.size());
    std::copy(cells.begin(), cells.end(), m_cells);
    m_gapStart = cells.size();
}

void Story::reserveAtEnd(size_t n) {
    moveGap(size());
    ensureGap(n);
}

}  // namespace tessaly::wordproc
