#include "cli/ProgressLine.h"

#include <iomanip>
#include <sstream>

#include "engine/Text.h"

namespace tessaly::cli {
namespace {

size_t Columns(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF))
        return 0;  // combining marks, zero-width characters and variation selectors
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
                      (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

}  // namespace

size_t DisplayWidth(std::string_view utf8) {
    size_t width = 0;
    ForEachCodePoint(FromUtf8(utf8), [&](char32_t c) { width += Columns(c); });
    return width;
}

std::string FittedTo(std::string_view utf8, size_t columns) {
    if (DisplayWidth(utf8) <= columns) return std::string(utf8);
    std::string out;
    size_t width = 0;
    bool full = false;
    ForEachCodePoint(FromUtf8(utf8), [&](char32_t c) {
        if (full || width + Columns(c) + 1 > columns) {  // room for the ellipsis
            full = true;
            return;
        }
        width += Columns(c);
        AppendUtf8CodePoint(out, c);
    });
    return out + "…";
}

void ProgressLine::startFile(size_t index, const std::string& name) {
    std::lock_guard guard(m_lock);
    m_active[index] = Active{name, -1, Clock::now()};
    redraw();
}

void ProgressLine::finishFile(size_t index) {
    std::lock_guard guard(m_lock);
    m_active.erase(index);
    ++m_done;
}

void ProgressLine::progress(size_t index, int percent) {
    const auto now = Clock::now();
    std::lock_guard guard(m_lock);
    const auto it = m_active.find(index);
    if (it == m_active.end() || now - it->second.started < std::chrono::milliseconds(500) ||
        now - m_drawn < std::chrono::milliseconds(100))
        return;
    it->second.percent = percent;
    redraw();
}

void ProgressLine::clear() {
    if (!m_width) return;
    m_err << "\r" << std::string(m_width, ' ') << "\r" << std::flush;
    m_width = 0;
}

std::string ProgressLine::text() const {
    std::ostringstream line;
    if (m_jobs <= 1) {
        // The file and, once it takes a while, a bar of its progress.
        const auto& [index, file] = *m_active.begin();
        line << "[" << index + 1 << "/" << m_total << "] ";
        std::string bar;
        if (file.percent >= 0) {
            const int filled = file.percent * 20 / 100;
            std::ostringstream b;
            b << " [" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(20 - filled), ' ') << "] "
              << std::setw(3) << file.percent << "%";
            bar = b.str();
        }
        const size_t room = m_columns - 1 - DisplayWidth(line.str()) - bar.size();
        line << FittedTo(file.name, room) << bar;
        return line.str();
    }
    line << "[" << m_done << "/" << m_total << " 件完了] ";
    std::string names;
    for (const auto& [index, file] : m_active) names += (names.empty() ? "" : "、") + file.name;
    return FittedTo(line.str() + names, m_columns - 1);
}

void ProgressLine::redraw() {
    if (!m_shown || m_active.empty()) return;
    const std::string line = text();
    clear();
    m_err << line << std::flush;
    m_width = DisplayWidth(line);
    m_drawn = Clock::now();
}

}  // namespace tessaly::cli
