// The batch's progress line on a terminal: which file of how many, and a
// bar for a file that takes a while; with several jobs, how many are done
// and the files in progress. It is fitted to the terminal's width (wide
// characters count two columns), cleared before anything else is printed
// and drawn again after.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <ostream>
#include <string>

namespace tessaly::cli {

// The number of terminal columns a text takes: East Asian wide and
// full-width characters two, combining marks none, others one.
size_t DisplayWidth(std::string_view utf8);
// The text cut to at most columns, with "…" where it was cut.
std::string FittedTo(std::string_view utf8, size_t columns);

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    // columns: the terminal's width; jobs: how many files are converted at once.
    ProgressLine(std::ostream& err, bool shown, size_t total, size_t columns, int jobs)
        : m_err(err), m_shown(shown), m_total(total), m_columns(columns < 10 ? 80 : columns), m_jobs(jobs) {}

    // The mutex every output of the run is printed under.
    std::mutex& lock() { return m_lock; }

    void startFile(size_t index, const std::string& name);
    void finishFile(size_t index);
    void progress(size_t index, int percent);
    // Clears the line, and draws it again; the lock is held.
    void clear();
    void redraw();

private:
    struct Active {
        std::string name;
        int percent = -1;
        Clock::time_point started;
    };
    std::string text() const;

    std::ostream& m_err;
    bool m_shown;
    size_t m_total;
    size_t m_columns;
    int m_jobs;
    std::mutex m_lock;
    std::map<size_t, Active> m_active;  // the files in progress, by their place in the batch
    size_t m_done = 0;
    Clock::time_point m_drawn{};
    size_t m_width = 0;  // columns the line on the terminal takes
};

}  // namespace tessaly::cli
