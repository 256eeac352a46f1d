#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

// Creating page files through io_uring: a batch of pages is opened, written,
// linked and closed in a few system calls instead of four per page, which is
// most of a page's cost where system calls are dear. Every call reports per
// page; the caller redoes what failed with ordinary system calls, so the ring
// is only ever a faster way to the same files. Used from one thread.
class TPageRing {
public:
    // Null when there is no ring with the operations pages need (an old
    // kernel, io_uring turned off, a sandbox refusing it, or built without).
    static std::unique_ptr<TPageRing> Open();
    ~TPageRing();
    TPageRing(const TPageRing&) = delete;
    TPageRing& operator=(const TPageRing&) = delete;

    // For each page without a descriptor or an error yet, an unnamed file in
    // the folder `dir` holding bytes[i]: fds[i] is its descriptor, or -1 with
    // errors[i] the errno. ENOTSUP means the folder has no unnamed files; 0
    // with -1 that the ring could not do it (out of descriptors, or the ring
    // failed), so the caller should.
    void WriteUnnamed(int dir, std::span<const std::string_view> bytes, std::span<int> fds, std::span<int> errors);
    // Links fds[i] as names[i] in `dir`, all at once: results[i] is 0 when
    // linked, else the errno, or -1 when the ring could not try.
    void Link(int dir, std::span<const int> fds, std::span<const std::string> names, std::span<int> results);
    // Closes the descriptors that are not -1 and sets them to -1.
    void Close(std::span<int> fds) noexcept;

    // False once the ring failed; then every call leaves the work undone.
    bool Usable() const { return usable_; }

private:
    struct TRing;
    explicit TPageRing(std::unique_ptr<TRing> ring);

    std::unique_ptr<TRing> ring_;
    bool usable_ = true;
};
