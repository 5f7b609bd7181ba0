#include "cli/ProgressLine.h"

#include <iomanip>
#include <sstream>

namespace tessaly::cli {

void ProgressLine::startFile(size_t index, const std::string& name) {
    std::lock_guard guard(m_lock);
    m_index = index;
    m_name = name;
    m_percent = -1;
    m_started = Clock::now();
    draw();
}

void ProgressLine::progress(size_t index, int percent) {
    const auto now = Clock::now();
    std::lock_guard guard(m_lock);
    if (index != m_index || now - m_started < std::chrono::milliseconds(500) || now - m_drawn < std::chrono::milliseconds(100))
        return;
    m_percent = percent;
    draw();
}

void ProgressLine::clear() {
    if (!m_width) return;
    m_err << "\r" << std::string(m_width, ' ') << "\r" << std::flush;
    m_width = 0;
}

void ProgressLine::draw() {
    if (!m_shown) return;
    std::ostringstream line;
    line << "[" << m_index + 1 << "/" << m_total << "] " << m_name;
    if (m_percent >= 0) {
        const int filled = m_percent * 20 / 100;
        line << " [" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(20 - filled), ' ')
             << "] " << std::setw(3) << m_percent << "%";
    }
    const std::string text = line.str();
    clear();
    m_err << text << std::flush;
    m_width = text.size();  // bytes: at least the columns it takes
    m_drawn = Clock::now();
}

}  // namespace tessaly::cli
