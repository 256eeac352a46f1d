#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
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
//
// Pages travel through a fixed ring of slots whose buffers are reused, so a
// page costs no allocation and, while both threads are busy, no lock.
class TPageWriter {
public:
    // Opens the folder (raising the file-creation error) and starts the thread.
    TPageWriter(const UnicodeString& folder, std::atomic<long long>& written);
    // Drops what is still queued and waits for the thread.
    ~TPageWriter();
    TPageWriter(const TPageWriter&) = delete;
    TPageWriter& operator=(const TPageWriter&) = delete;

    // The empty buffer of the next page, to be filled and handed over by Add;
    // waits while much is queued. Raises the writer's failure once it has one
    // (an earlier page's, so it comes first).
    std::string& NextPage();
    // Queues the page filled into NextPage's buffer under `pageName`.
    void Add(UnicodeString pageName);
    // Waits until every queued page is written; raises the first failure.
    void Finish();

private:
    struct TPage {
        UnicodeString name;
        std::string bytes;
        int fd = -1;    // an unnamed file holding the bytes, or -1
        int error = 0;  // what writing it met, reported in page order
    };
    // Enough to keep the writer busy, little enough not to matter in memory or
    // in open descriptors (each slot may hold one).
    static constexpr std::size_t Slots = 64;

    void WriteQueued();
    bool RoomForPage(std::uint64_t added) const;
    bool WaitForPages(std::uint64_t taken);
    void Wake(const std::atomic<bool>& sleeps);
    void Release(TPage& page);
    void Stop() noexcept;
    void CloseUnnamedFiles() noexcept;

    TPageFolder folder_;
    std::atomic<long long>& written_;
    std::array<TPage, Slots> ring_;
    // Pages handed over and pages done with; slot = count % Slots. Each is
    // written by one thread only.
    std::atomic<std::uint64_t> added_ = 0;
    std::atomic<std::uint64_t> done_ = 0;
    std::atomic<std::size_t> queuedBytes_ = 0;
    // A thread about to sleep says so first, so the other wakes it only then.
    std::atomic<bool> writerSleeps_ = false;
    std::atomic<bool> rendererSleeps_ = false;
    std::atomic<bool> failed_ = false;
    std::atomic<bool> closing_ = false;
    std::atomic<bool> dropping_ = false;
    std::atomic<bool> unnamedFiles_ = true;
    // Descriptors the renderer may hold in unnamed files, so that a low
    // limit on open files leaves the writer the ones it needs.
    std::size_t fileBudget_;
    std::atomic<std::size_t> heldFiles_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;  // set once, before failed_
    std::thread thread_;
};
