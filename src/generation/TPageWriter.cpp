#include "generation/TPageWriter.h"

#include "text/TStopSignal.h"

namespace {

// Enough to keep the writer busy, little enough not to matter in memory.
constexpr std::size_t MaxQueuedPages = 256;
constexpr std::size_t MaxQueuedBytes = 32u << 20;

} // namespace

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
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return failure_ || (queue_.size() < MaxQueuedPages && queuedBytes_ < MaxQueuedBytes);
    });
    if (failure_)
        std::rethrow_exception(failure_);
    queuedBytes_ += bytes.size();
    queue_.push_back(TPage{std::move(pageName), std::move(bytes)});
    if (waiting_)
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
            changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
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
                folder_.Save(page.name, page.bytes);
                ++written_;
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
