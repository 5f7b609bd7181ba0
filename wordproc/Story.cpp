#include "wordproc/Story.h"

#include <algorithm>

namespace tessaly::wordproc {

Story::Story() = default;

void Story::moveGap(size_t to) {
    const size_t gap = gapLength();
    if (to < m_gapStart) {
        std::move_backward(m_cells.begin() + to, m_cells.begin() + m_gapStart, m_cells.begin() + m_gapEnd);
    } else if (to > m_gapStart) {
        std::move(m_cells.begin() + m_gapEnd, m_cells.begin() + to + gap, m_cells.begin() + m_gapStart);
    }
    m_gapStart = to;
    m_gapEnd = to + gap;
}

void Story::ensureGap(size_t needed) {
    if (gapLength() >= needed) return;
    const size_t tail = m_cells.size() - m_gapEnd;
    const size_t newGap = std::max(needed, size() / 2 + 64);
    std::vector<Cell> grown(m_gapStart + newGap + tail);
    std::copy(m_cells.begin(), m_cells.begin() + m_gapStart, grown.begin());
    std::copy(m_cells.begin() + m_gapEnd, m_cells.end(), grown.begin() + m_gapStart + newGap);
    m_cells = std::move(grown);
    m_gapEnd = m_gapStart + newGap;
}

void Story::replace(size_t start, size_t end, std::span<const Cell> cells) {
    moveGap(end);
    m_gapStart = start;  // the replaced positions join the gap
    ensureGap(cells.size());
    std::copy(cells.begin(), cells.end(), m_cells.begin() + m_gapStart);
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
    const size_t hit = scan(from + gapLength(), m_cells.size(), gapLength());
    return hit != std::string::npos ? hit : size();
}

uint32_t Story::addField(std::u16string text) {
    m_fields.push_back(std::move(text));
    return kFieldBase + static_cast<uint32_t>(m_fields.size() - 1);
}

void Story::assign(std::vector<Cell> cells) {
    m_cells = std::move(cells);
    m_gapStart = m_gapEnd = m_cells.size();
}

void Story::reserveAtEnd(size_t n) {
    moveGap(size());
    ensureGap(n);
}

}  // namespace tessaly::wordproc
