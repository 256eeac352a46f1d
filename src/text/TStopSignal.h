#pragma once

#include <exception>

// Stopping a run cleanly. SIGINT, SIGTERM and SIGHUP only note the signal;
// loops that can run long ask for it and unwind with TStopped, so temporary
// files, folders and helper processes are cleaned up on the way out.
// SIGXFSZ and SIGPIPE are ignored: a full disk or a closed pipe then shows as
// a failing write instead of killing the process.
namespace TStopSignal {

// Installs the handlers. A stop signal that is ignored when the program
// starts (nohup, background jobs) stays ignored.
void Install();

// The stop signal received so far, or 0.
int Received() noexcept;

// Raises TStopped when a stop signal has been received.
void ThrowIfReceived();

// For tests: acts as if `signal` had arrived (0 forgets it).
void Simulate(int signal) noexcept;

} // namespace TStopSignal

// Unwinds a run that a signal stopped; deliberately not an Exception, so the
// job does not log it as a failure of its own.
class TStopped : public std::exception {
public:
    explicit TStopped(int signal) : signal_(signal) {}
    int Signal() const noexcept { return signal_; }
    const char* what() const noexcept override { return "stopped by a signal"; }

private:
    int signal_;
};
