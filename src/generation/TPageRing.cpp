#include "generation/TPageRing.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#ifdef TABLOOM_HAVE_URING
#include <liburing.h>

namespace {

// Submissions per system call; batches of pages are cut to this.
constexpr unsigned RingEntries = 64;

bool NoUnnamedFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Finishes a write that stopped short at `done`, where plain writes would
// have gone on (and met the error that stopped it); gives 0 or the errno.
// The ring's writes leave the file position alone, so this goes by offset.
int WriteRest(int fd, std::string_view bytes, std::size_t done)
{
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

struct TPageRing::TRing {
    io_uring ring{};
    bool open = false;
    ~TRing()
    {
        if (open)
            io_uring_queue_exit(&ring);
    }
};

std::unique_ptr<TPageRing> TPageRing::Open()
{
    auto ring = std::make_unique<TRing>();
    if (io_uring_queue_init(RingEntries, &ring->ring, 0) != 0)
        return nullptr;
    ring->open = true;
    io_uring_probe* probe = io_uring_get_probe_ring(&ring->ring);
    const bool supported = probe && io_uring_opcode_supported(probe, IORING_OP_OPENAT) &&
                           io_uring_opcode_supported(probe, IORING_OP_WRITE) &&
                           io_uring_opcode_supported(probe, IORING_OP_LINKAT) &&
                           io_uring_opcode_supported(probe, IORING_OP_CLOSE);
    if (probe)
        io_uring_free_probe(probe);
    if (!supported)
        return nullptr;
    return std::unique_ptr<TPageRing>(new TPageRing(std::move(ring)));
}

namespace {

// Submits up to RingEntries operations prepared by prep(i, sqe) for i in
// [0, count) and gives each result to reap(i, res), in completion order.
// False when the ring failed; then nothing more is submitted.
template <class Prep, class Reap>
bool Round(io_uring& ring, std::size_t count, Prep prep, Reap reap)
{
    for (std::size_t i = 0; i < count; ++i) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        prep(i, sqe);
        io_uring_sqe_set_data64(sqe, i);
    }
    int submitted;
    do
        submitted = io_uring_submit(&ring);
    while (submitted == -EINTR || submitted == -EAGAIN);
    if (submitted < 0)
        return false;
    for (int done = 0; done < submitted; ++done) {
        io_uring_cqe* cqe = nullptr;
        int error;
        do
            error = io_uring_wait_cqe(&ring, &cqe);
        while (error == -EINTR);
        if (error != 0)
            return false;
        reap(static_cast<std::size_t>(io_uring_cqe_get_data64(cqe)), cqe->res);
        io_uring_cqe_seen(&ring, cqe);
    }
    return static_cast<std::size_t>(submitted) == count;
}

} // namespace

void TPageRing::WriteUnnamed(int dir, std::span<const std::string_view> bytes, std::span<int> fds,
                             std::span<int> errors)
{
    std::size_t prepared[RingEntries];
    for (std::size_t start = 0; start < bytes.size() && usable_; start += RingEntries) {
        const std::size_t count = std::min<std::size_t>(RingEntries, bytes.size() - start);
        std::size_t opens = 0;
        for (std::size_t i = start; i < start + count; ++i) {
            if (fds[i] < 0 && errors[i] == 0)
                prepared[opens++] = i;
        }
        usable_ = Round(ring_->ring, opens,
            [&](std::size_t, io_uring_sqe* sqe) {
                io_uring_prep_openat(sqe, dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            },
            [&](std::size_t k, int res) {
                const std::size_t i = prepared[k];
                fds[i] = res >= 0 ? res : -1;
                const int error = res >= 0 ? 0 : -res;
                // Out of descriptors, the caller makes the file by itself.
                errors[i] = NoUnnamedFiles(error) ? ENOTSUP : error == EMFILE || error == ENFILE ? 0 : error;
            });
        if (!usable_)
            break;
        // Only the files just opened: the others hold their bytes already.
        std::size_t writes = 0;
        for (std::size_t k = 0; k < opens; ++k) {
            if (fds[prepared[k]] >= 0)
                prepared[writes++] = prepared[k];
        }
        usable_ = Round(ring_->ring, writes,
            [&](std::size_t k, io_uring_sqe* sqe) {
                const std::size_t i = prepared[k];
                io_uring_prep_write(sqe, fds[i], bytes[i].data(), static_cast<unsigned>(bytes[i].size()), 0);
            },
            [&](std::size_t k, int res) {
                const std::size_t i = prepared[k];
                if (res < 0)
                    errors[i] = -res;
                else
                    errors[i] = WriteRest(fds[i], bytes[i], static_cast<std::size_t>(res));
            });
    }
    if (!usable_) {
        // What the ring left undone, the caller does by itself.
        Close(fds);
        for (int& error : errors)
            error = 0;
    }
}

void TPageRing::Link(int dir, std::span<const int> fds, std::span<const std::string> names, std::span<int> results)
{
    for (int& result : results)
        result = -1;
    for (std::size_t start = 0; start < fds.size() && usable_; start += RingEntries) {
        const std::size_t count = std::min<std::size_t>(RingEntries, fds.size() - start);
        usable_ = Round(ring_->ring, count,
            [&](std::size_t i, io_uring_sqe* sqe) {
                io_uring_prep_linkat(sqe, fds[start + i], "", dir, names[start + i].c_str(), AT_EMPTY_PATH);
            },
            [&](std::size_t i, int res) { results[start + i] = -res; });
    }
}

void TPageRing::Close(std::span<int> fds) noexcept
{
    for (std::size_t start = 0; start < fds.size(); start += RingEntries) {
        const std::size_t count = std::min<std::size_t>(RingEntries, fds.size() - start);
        std::size_t prepared[RingEntries];
        std::size_t closes = 0;
        for (std::size_t i = start; i < start + count; ++i) {
            if (fds[i] >= 0)
                prepared[closes++] = i;
        }
        if (usable_) {
            usable_ = Round(ring_->ring, closes,
                [&](std::size_t k, io_uring_sqe* sqe) { io_uring_prep_close(sqe, fds[prepared[k]]); },
                [&](std::size_t k, int) { fds[prepared[k]] = -1; });
        }
        // Whatever the ring did not close.
        for (std::size_t k = 0; k < closes; ++k) {
            int& fd = fds[prepared[k]];
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
}

#else

struct TPageRing::TRing {};

std::unique_ptr<TPageRing> TPageRing::Open()
{
    return nullptr;
}

void TPageRing::WriteUnnamed(int, std::span<const std::string_view>, std::span<int>, std::span<int> errors)
{
    for (int& error : errors)
        error = 0;
}

void TPageRing::Link(int, std::span<const int>, std::span<const std::string>, std::span<int> results)
{
    for (int& result : results)
        result = -1;
}

void TPageRing::Close(std::span<int> fds) noexcept
{
    for (int& fd : fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

#endif

TPageRing::TPageRing(std::unique_ptr<TRing> ring) : ring_(std::move(ring)) {}

TPageRing::~TPageRing() = default;
