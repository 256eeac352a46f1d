#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "generation/TSaveFile.h"
#include "text/UnicodeString.h"

// Creates the files of rendered pages on a second thread, one after the
// other in the order they were handed over, so that rendering a page and
// creating the one before it overlap. The second thread makes a batch of
// files at a time. When it falls behind, the handing thread also writes pages
// into unnamed files, which the second thread then only names, so the file
// system's work is shared too. Names, order and the first
// failure are those a single thread would give: after a failure nothing more
// is written, and an unnamed file never shows.
class TPageWriter {
public:
    // Opens the folder (raising the file-creation error) and starts the thread.
    TPageWriter(const UnicodeString& folder, std::atomic<long long>& written);
    // Drops what is still queued and waits for the thread.
    ~TPageWriter();
    TPageWriter(const TPageWriter&) = delete;
    TPageWriter& operator=(const TPageWriter&) = delete;

    // Queues a page; waits while much is queued. Raises the writer's failure
    // once it has one (an earlier page's, so it comes first).
    void Add(UnicodeString pageName, std::string bytes);
    // Waits until every queued page is written; raises the first failure.
    void Finish();

private:
    // An unnamed file that was never named goes with its descriptor.
    class TUnnamedFile {
    public:
        explicit TUnnamedFile(int fd) : fd_(fd) {}
        ~TUnnamedFile();
        TUnnamedFile(TUnnamedFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
        TUnnamedFile& operator=(TUnnamedFile&&) = delete;
        int Get() const { return fd_; }

    private:
        int fd_;
    };

    struct TPage {
        UnicodeString name;
        std::string bytes;
        TUnnamedFile file;  // holding the bytes, or -1
        int error;          // what writing it met, reported in page order
    };

    void WriteQueued();
    void Stop() noexcept;

    TPageFolder folder_;
    std::atomic<long long>& written_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TPage> queue_;
    std::size_t queuedBytes_ = 0;
    bool closing_ = false;
    bool waiting_ = false;  // the writer sleeps until a page comes
    std::atomic<bool> unnamedFiles_ = true;
    std::atomic<long long> pending_ = 0;  // handed over, not yet named
    std::exception_ptr failure_;
    std::thread thread_;
};
