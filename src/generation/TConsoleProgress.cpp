#include "generation/TConsoleProgress.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(200);
// Back to the line's start and erase it.
constexpr char EraseLine[] = "\r\x1b[K";

std::string Duration(double seconds)
{
    const long long s = std::llround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

} // namespace

TConsoleProgress::TConsoleProgress(std::ostream& terminal, std::chrono::milliseconds quietStart)
    : terminal_(terminal), quietStart_(quietStart)
{
}

std::string TConsoleProgress::Line(long long done, long long total, double seconds)
{
    std::string line = std::to_string(done);
    if (total > 0)
        line += " / " + std::to_string(total);
    line += " 件";
    if (seconds <= 0 || done <= 0)
        return line;
    const double rate = done / seconds;
    line += "  " + std::to_string(std::llround(rate)) + " 件/秒";
    if (total > done)
        line += "  残り " + Duration((total - done) / rate);
    return line;
}

void TConsoleProgress::Update(long long done, long long total)
{
    const auto now = Clock::now();
    if (!started_) {
        // The rate counts from the first page on, not from reading the workbook.
        start_ = now;
        started_ = true;
    }
    if (now - start_ < quietStart_ || now - lastDrawn_ < RedrawInterval)
        return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    terminal_ << EraseLine << Line(done, total, seconds) << std::flush;
    drawn_ = true;
}

void TConsoleProgress::Clear()
{
    if (!drawn_)
        return;
    terminal_ << EraseLine << std::flush;
    drawn_ = false;
}
