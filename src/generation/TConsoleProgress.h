#pragma once

// The console's self-updating progress line: records gone through of the
// total, records per second and the time left, redrawn in place on a
// terminal and erased before any other line is written. It writes to the
// stream it borrows; the caller decides whether that stream is a terminal.

#include <chrono>
#include <iosfwd>
#include <string>

class TConsoleProgress {
public:
    // Short runs end before `quietStart` and leave the terminal as clean as
    // a log.
    explicit TConsoleProgress(std::ostream& terminal,
                              std::chrono::milliseconds quietStart = std::chrono::milliseconds(500));

    // Redraws the line at most five times a second, once the quiet start
    // (counted from the first call) is over.
    void Update(long long done, long long total);
    // Erases the line, if one is drawn.
    void Clear();

    // The line's text after `seconds` of running.
    static std::string Line(long long done, long long total, double seconds);

private:
    using Clock = std::chrono::steady_clock;

    std::ostream& terminal_;
    std::chrono::milliseconds quietStart_;
    Clock::time_point start_{};
    bool started_ = false;
    Clock::time_point lastDrawn_{};
    bool drawn_ = false;
};
