// The batch's progress line on a terminal: which file of how many, and a
// bar for a file that takes a while; cleared before anything else is printed.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace tessaly::cli {

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    ProgressLine(std::ostream& err, bool shown, size_t total) : m_err(err), m_shown(shown), m_total(total) {}

    // The mutex every output of the run is printed under.
    std::mutex& lock() { return m_lock; }

    void startFile(size_t index, const std::string& name);
    void progress(size_t index, int percent);
    // Clears the line; the lock is held.
    void clear();

private:
    void draw();

    std::ostream& m_err;
    bool m_shown;
    size_t m_total;
    std::mutex m_lock;
    size_t m_index = 0;
    std::string m_name;
    int m_percent = -1;
    Clock::time_point m_started{};
    Clock::time_point m_drawn{};
    size_t m_width = 0;
};

}  // namespace tessaly::cli
