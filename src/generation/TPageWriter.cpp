#include "generation/TPageWriter.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "text/TStopSignal.h"

namespace {

// Enough to keep the writer busy, little enough not to matter in memory or
// in open descriptors (the queue and the batch being written each hold one
// per page).
constexpr std::size_t MaxQueuedPages = 64;
constexpr std::size_t MaxQueuedBytes = 32u << 20;
// A writer woken for every page would sleep and wake once a page. It waits
// for a batch instead, or a short while when pages come slowly.
constexpr std::size_t BatchPages = 8;
constexpr std::size_t BatchBytes = 1u << 20;
constexpr auto BatchWait = std::chrono::milliseconds(5);
// The renderer writes a page into its unnamed file itself only while this
// many pages wait for the writer; below that the writer makes the whole file.
// So the file system's work goes to whichever thread has time for it.
constexpr long long WriteAheadPages = 12;

} // namespace

TPageWriter::TUnnamedFile::~TUnnamedFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

TPageWriter::TPageWriter(const UnicodeString& folder, std::atomic<long long>& written)
    : folder_(folder), written_(written), thread_([this] { WriteQueued(); })
{
}

TPageWriter::~TPageWriter()
{
    Stop();
}

void TPageWriter::Add(UnicodeString pageName, std::string bytes)
{
    int fd = -1;
    int error = 0;
    if (unnamedFiles_.load(std::memory_order_relaxed) && pending_.load(std::memory_order_relaxed) >= WriteAheadPages) {
        error = folder_.WriteUnnamed(bytes, fd);
        if (error == ENOTSUP)
            unnamedFiles_ = false;
        // Without unnamed files, or out of descriptors because of the pages
        // in flight, the writer makes the file itself.
        if (error == ENOTSUP || error == EMFILE || error == ENFILE)
            error = 0;
    }
    TUnnamedFile file(fd);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return failure_ || (queue_.size() < MaxQueuedPages && queuedBytes_ < MaxQueuedBytes);
    });
    if (failure_)
        std::rethrow_exception(failure_);
    queuedBytes_ += bytes.size();
    pending_.fetch_add(1, std::memory_order_relaxed);
    queue_.push_back(TPage{std::move(pageName), std::move(bytes), std::move(file), error});
    if (waiting_ && (queue_.size() >= BatchPages || queuedBytes_ >= BatchBytes))
        changed_.notify_all();
}

void TPageWriter::Finish()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (failure_)
        std::rethrow_exception(failure_);
}

void TPageWriter::Stop() noexcept
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void TPageWriter::WriteQueued()
{
    std::deque<TPage> batch;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            waiting_ = true;
            while (!closing_ && queue_.size() < BatchPages && queuedBytes_ < BatchBytes) {
                if (changed_.wait_for(lock, BatchWait) == std::cv_status::timeout && !queue_.empty())
                    break;
            }
            waiting_ = false;
            if (queue_.empty())
                return;
            batch.swap(queue_);
            queuedBytes_ = 0;
        }
        changed_.notify_all();  // room for the renderer again
        try {
            for (TPage& page : batch) {
                TStopSignal::ThrowIfReceived();
                folder_.Publish(page.name, page.bytes, page.file.Get(), page.error);
                ++written_;
                pending_.fetch_sub(1, std::memory_order_relaxed);
                if (!folder_.UsesUnnamedFiles())
                    unnamedFiles_ = false;
            }
            batch.clear();
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            queue_.clear();
            changed_.notify_all();
            return;
        }
    }
}
