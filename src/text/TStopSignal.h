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

// Raises TStopped when a stop signal has been received, or a stop has been
// requested (then with signal 0).
void ThrowIfReceived();

// A stop asked for without a signal (a window's stop button): the same
// loops end the run the same way, but the program goes on afterwards.
void RequestStop() noexcept;
// Forgets a requested stop, so the next run starts afresh.
void ClearRequest() noexcept;
// A stop signal has been received or a stop requested.
bool StopAsked() noexcept;

// For tests: acts as if `signal` had arrived (0 forgets it).
void Simulate(int signal) noexcept;

// While on, a stop signal ends the process at once with status 128 + the
// signal: for long phases that hold no temporary file, folder or helper
// process and cannot ask for the signal themselves (reading a workbook).
void SetExitAtOnce(bool on) noexcept;

// A descriptor that becomes readable when a stop signal arrives (one byte
// per signal), for event loops that cannot poll the flag. Made on the first
// call; -1 when no pipe can be made.
int NotifyDescriptor();

} // namespace TStopSignal

// Unwinds a run that a signal (or a request, signal 0) stopped; deliberately
// not an Exception, so the job does not log it as a failure of its own.
class TStopped : public std::exception {
public:
    explicit TStopped(int signal) : signal_(signal) {}
    int Signal() const noexcept { return signal_; }
    const char* what() const noexcept override { return "stopped by a signal"; }

private:
    int signal_;
};
