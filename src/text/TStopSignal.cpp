#include "text/TStopSignal.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t received = 0;

extern "C" void NoteStopSignal(int signal)
{
    received = signal;
}

} // namespace

namespace TStopSignal {

void Install()
{
    struct sigaction stop {};
    stop.sa_handler = NoteStopSignal;
    sigemptyset(&stop.sa_mask);
    stop.sa_flags = SA_RESTART;  // writes and waits go on; the loops ask
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &stop, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

int Received() noexcept
{
    return received;
}

void ThrowIfReceived()
{
    if (const int signal = received)
        throw TStopped(signal);
}

void Simulate(int signal) noexcept
{
    received = signal;
}

} // namespace TStopSignal
