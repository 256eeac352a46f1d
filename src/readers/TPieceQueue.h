#pragma once

// The hand-over between the thread that inflates a zip entry and the thread
// that parses it: a few buffers go back and forth, swapped, never copied.
// Either side that has to wait is woken only once the other has made room
// for several pieces, so the threads sleep once per few pieces, not per piece.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Excel {

class TPieceQueue {
public:
    static constexpr std::size_t Depth = 8;

    // Queues the first `size` bytes of `piece` and gives `piece` a spare
    // buffer of at least its length to fill next. False once the reader has
    // given up.
    bool Push(std::string& piece, std::size_t size)
    {
        std::unique_lock lock(mutex_);
        if (!stopped_ && pieces_.size() >= Depth) {
            pusherWaits_ = true;
            changed_.wait(lock, [&] { return stopped_ || pieces_.size() <= Depth / 2; });
            pusherWaits_ = false;
        }
        if (stopped_)
            return false;
        const std::size_t length = piece.size();
        std::string next;
        if (!spare_.empty()) {
            next = std::move(spare_.back());
            spare_.pop_back();
        }
        pieces_.push_back({std::move(piece), size});
        const bool wake = popperWaits_;
        lock.unlock();  // a woken thread must not wait for the mutex next
        if (wake)
            changed_.notify_all();
        if (next.size() < length)
            next.resize(length);  // a buffer new to the exchange, once
        piece = std::move(next);
        return true;
    }

    // The next piece into `piece` and its length into `size`; false at the
    // end. The buffer `piece` held before goes back to the inflater.
    bool Pop(std::string& piece, std::size_t& size)
    {
        std::unique_lock lock(mutex_);
        if (!finished_ && pieces_.empty()) {
            popperWaits_ = true;
            changed_.wait(lock, [&] { return finished_ || !pieces_.empty(); });
            popperWaits_ = false;
        }
        if (pieces_.empty())
            return false;
        if (!piece.empty())
            spare_.push_back(std::move(piece));
        piece = std::move(pieces_.front().first);
        size = pieces_.front().second;
        pieces_.pop_front();
        const bool wake = pusherWaits_ && pieces_.size() <= Depth / 2;
        lock.unlock();
        if (wake)
            changed_.notify_all();
        return true;
    }

    // The inflater has ended, with `error` or none.
    void Finish(std::exception_ptr error)
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        error_ = std::move(error);
        changed_.notify_all();
    }
    // The reader gives up: Push fails from now on.
    void Stop()
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    std::exception_ptr Error()
    {
        std::lock_guard lock(mutex_);
        return error_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::string, std::size_t>> pieces_;
    std::vector<std::string> spare_;
    bool finished_ = false;
    bool stopped_ = false;
    bool pusherWaits_ = false;
    bool popperWaits_ = false;
    std::exception_ptr error_;
};

} // namespace Excel
