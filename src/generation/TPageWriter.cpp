#include "generation/TPageWriter.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "text/TStopSignal.h"

namespace {

constexpr std::size_t MaxQueuedBytes = 32u << 20;
// A writer woken for every page would sleep and wake once a page. It waits
// for a batch instead, or a short while when pages come slowly; a renderer
// waiting for room likewise waits for a batch of free slots.
constexpr std::uint64_t BatchPages = 8;
constexpr std::size_t BatchBytes = 1u << 20;
constexpr auto BatchWait = std::chrono::milliseconds(5);
// The renderer writes a page into its unnamed file itself only while this
// many pages wait for the writer; below that the writer makes the whole file.
// So the file system's work goes to whichever thread has time for it.
constexpr std::uint64_t WriteAheadPages = 12;
// A slot keeps its buffer for the next page unless it grew this big.
constexpr std::size_t KeptBufferBytes = 1u << 20;

// Half of the descriptors still free under the process's limit, at most
// one a slot: the lowest free descriptor tells how many are taken.
std::size_t FileBudget(std::size_t slots)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return slots;
    const int probe = ::open("/", O_PATH | O_CLOEXEC);
    if (probe < 0)
        return 0;
    ::close(probe);
    constexpr rlim_t Reserve = 8;  // for the writer and whatever else opens files
    const rlim_t taken = static_cast<rlim_t>(probe) + Reserve;
    if (limit.rlim_cur <= taken)
        return 0;
    return std::min<std::size_t>(slots, static_cast<std::size_t>((limit.rlim_cur - taken) / 2));
}

} // namespace

TPageWriter::TPageWriter(const UnicodeString& folder, std::atomic<long long>& written)
    : folder_(folder), written_(written), fileBudget_(FileBudget(Slots)), thread_([this] { WriteQueued(); })
{
}

TPageWriter::~TPageWriter()
{
    Stop();
}

bool TPageWriter::RoomForPage(std::uint64_t added) const
{
    return added - done_.load() <= Slots - BatchPages && queuedBytes_.load() < MaxQueuedBytes;
}

// The other thread sleeps, or is about to: the lock makes sure it is
// waiting, or will see the change before it does.
void TPageWriter::Wake(const std::atomic<bool>& sleeps)
{
    if (!sleeps.load())
        return;
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

std::string& TPageWriter::NextPage()
{
    const std::uint64_t added = added_.load(std::memory_order_relaxed);
    if (added - done_.load() >= Slots || queuedBytes_.load() >= MaxQueuedBytes) {
        std::unique_lock lock(mutex_);
        rendererSleeps_.store(true);
        changed_.wait(lock, [&] { return failed_.load() || RoomForPage(added); });
        rendererSleeps_.store(false);
    }
    if (failed_.load())
        std::rethrow_exception(failure_);
    std::string& bytes = ring_[added % Slots].bytes;
    // The buffer of the page done last is warm and its memory touched: taken
    // every time, it keeps a few buffers going round instead of one a slot
    // (pages of a list run to tens of KiB). That slot is the writer's no more,
    // and not the renderer's again before the ring comes round.
    const std::uint64_t done = done_.load();
    if (done > 0 && added - done + 1 < Slots)
        bytes.swap(ring_[(done - 1) % Slots].bytes);
    bytes.clear();
    return bytes;
}

void TPageWriter::Add(UnicodeString pageName)
{
    const std::uint64_t added = added_.load(std::memory_order_relaxed);
    TPage& page = ring_[added % Slots];
    page.name = std::move(pageName);
    page.fd = -1;
    page.error = 0;
    if (unnamedFiles_.load(std::memory_order_relaxed) && added - done_.load() >= WriteAheadPages &&
        heldFiles_.load() < fileBudget_) {
        page.error = folder_.WriteUnnamed(page.bytes, page.fd);
        if (page.fd >= 0)
            ++heldFiles_;
        if (page.error == ENOTSUP)
            unnamedFiles_ = false;
        // Without unnamed files, or out of descriptors because of the pages
        // in flight, the writer makes the file itself.
        if (page.error == ENOTSUP || page.error == EMFILE || page.error == ENFILE)
            page.error = 0;
    }
    queuedBytes_ += page.bytes.size();
    added_.store(added + 1);
    if (added + 1 - done_.load() >= BatchPages || queuedBytes_.load() >= BatchBytes)
        Wake(writerSleeps_);
}

void TPageWriter::Finish()
{
    closing_ = true;
    Wake(writerSleeps_);
    if (thread_.joinable())
        thread_.join();
    CloseUnnamedFiles();
    if (failed_)
        std::rethrow_exception(failure_);
}

void TPageWriter::Stop() noexcept
{
    dropping_ = true;
    closing_ = true;
    Wake(writerSleeps_);
    if (thread_.joinable())
        thread_.join();
    CloseUnnamedFiles();
}

// Pages queued but never named: their unnamed files go with the descriptors.
void TPageWriter::CloseUnnamedFiles() noexcept
{
    for (std::uint64_t i = done_; i < added_; ++i) {
        TPage& page = ring_[i % Slots];
        if (page.fd >= 0)
            ::close(page.fd);
        page.fd = -1;
    }
}

// False when the run closes and nothing is left to write.
bool TPageWriter::WaitForPages(std::uint64_t taken)
{
    std::unique_lock lock(mutex_);
    writerSleeps_.store(true);
    const auto enough = [&] {
        return closing_.load() || added_.load() - taken >= BatchPages || queuedBytes_.load() >= BatchBytes;
    };
    while (!enough()) {
        if (changed_.wait_for(lock, BatchWait) == std::cv_status::timeout && added_.load() != taken)
            break;
    }
    writerSleeps_.store(false);
    return added_.load() != taken && !dropping_.load();
}

void TPageWriter::Release(TPage& page)
{
    if (page.fd >= 0) {
        ::close(page.fd);
        --heldFiles_;
    }
    page.fd = -1;
    queuedBytes_ -= page.bytes.size();
    if (page.bytes.capacity() > KeptBufferBytes)
        std::string().swap(page.bytes);
}

void TPageWriter::WriteQueued()
{
    std::uint64_t taken = 0;
    try {
        for (;;) {
            if (taken == added_.load() && !WaitForPages(taken))
                return;
            if (dropping_.load())
                return;
            TPage& page = ring_[taken % Slots];
            TStopSignal::ThrowIfReceived();
            folder_.Publish(page.name, page.bytes, page.fd, page.error);
            ++written_;
            if (!folder_.UsesUnnamedFiles())
                unnamedFiles_ = false;
            Release(page);
            done_.store(++taken);
            if (RoomForPage(added_.load()))
                Wake(rendererSleeps_);
        }
    } catch (...) {
        failure_ = std::current_exception();
        failed_.store(true);
        Wake(rendererSleeps_);
    }
}
