#include "text/TStopSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t received = 0;
volatile std::sig_atomic_t exitAtOnce = 0;
volatile std::sig_atomic_t notifyWrite = -1;
std::atomic<bool> requested = false;
int notifyRead = -1;

extern "C" void NoteStopSignal(int signal)
{
    received = signal;
    if (exitAtOnce)
        ::_exit(128 + signal);
    if (notifyWrite >= 0) {
        const int saved = errno;
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const auto ignored = ::write(notifyWrite, &byte, 1);
        errno = saved;
    }
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
    if (requested.load(std::memory_order_relaxed))
        throw TStopped(0);
}

void RequestStop() noexcept
{
    requested = true;
}

void ClearRequest() noexcept
{
    requested = false;
}

bool StopAsked() noexcept
{
    return received != 0 || requested.load(std::memory_order_relaxed);
}

void Simulate(int signal) noexcept
{
    received = signal;
}

void SetExitAtOnce(bool on) noexcept
{
    exitAtOnce = on;
}

int NotifyDescriptor()
{
    if (notifyRead < 0) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return -1;
        notifyRead = ends[0];
        notifyWrite = ends[1];
    }
    return notifyRead;
}

} // namespace TStopSignal
