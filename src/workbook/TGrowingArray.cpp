#include "workbook/TGrowingArray.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Excel::GrowingArray {

namespace {

constexpr std::size_t PageSize = 4096;
constexpr std::size_t HugePage = 2u << 20;
// Below this the heap is as good; above it remapping saves the copies.
constexpr std::size_t MapFrom = 256u << 10;
// How far ahead of what is needed a mapping is made ready: a 64th of it,
// so what is made ready and never filled stays small, within these bounds.
constexpr std::size_t MinReadyStep = 16u << 10;
constexpr std::size_t MaxReadyStep = 64u << 10;
// Kernels before 5.14 cannot make pages ready in advance; they fault them in.
std::atomic<bool> populateWorks = true;

std::size_t PageRound(std::size_t bytes)
{
    return (bytes + PageSize - 1) & ~(PageSize - 1);
}

// The whole mapping, so it stays one area the kernel can remap at once; it
// backs only the aligned 2 MiB stretches with huge pages anyway.
void AskForHugePages(void* block, std::size_t bytes)
{
    madvise(block, bytes, MADV_HUGEPAGE);
}

// Huge pages for a mapping of two or more of them: the last one may be
// backed in full for a few bytes.
bool UsesHugePages(bool hugePages, std::size_t bytes)
{
    return hugePages && bytes >= 2 * HugePage;
}

void* Map(std::size_t bytes)
{
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    return block;
}

} // namespace

void* Resize(void* block, std::size_t used, std::size_t capacity, std::size_t& bytes, bool& mapped,
             bool hugePages)
{
    if (bytes < used)
        bytes = used;
    if (!mapped && bytes < MapFrom) {
        if (bytes == 0) {
            std::free(block);
            return nullptr;
        }
        void* grown = std::realloc(block, bytes);
        if (!grown)
            throw std::bad_alloc();
        return grown;
    }
    // A mapping is whole pages; `capacity` may have lost the last partial element.
    bytes = PageRound(bytes ? bytes : 1);
    capacity = PageRound(capacity);
    void* grown;
    if (!mapped) {
        grown = Map(bytes);
        if (used)
            std::memcpy(grown, block, used);
        std::free(block);
        mapped = true;
    } else if (bytes == capacity) {
        return block;
    } else {
        // The kernel moves the pages: nothing is copied.
        grown = mremap(block, capacity, bytes, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED)
            throw std::bad_alloc();
    }
    if (UsesHugePages(hugePages, bytes))
        AskForHugePages(grown, bytes);
    return grown;
}

std::size_t Prepare(void* block, std::size_t ready, std::size_t needed, std::size_t capacity, bool hugePages)
{
    const auto base = reinterpret_cast<std::uintptr_t>(block);
    std::size_t end;
    if (UsesHugePages(hugePages, capacity)) {
        // The kernel fills a huge page whole at its first touch anyway: one
        // call per page, to its end, instead of one per 64 KiB.
        const std::uintptr_t pageEnd = (base + std::max(needed, ready + 1) + HugePage - 1) & ~(HugePage - 1);
        end = std::min(static_cast<std::size_t>(pageEnd - base), PageRound(capacity));
    } else {
        const std::size_t step = std::clamp(needed / 64, MinReadyStep, MaxReadyStep);
        end = std::min(PageRound(std::max(needed, ready + step)), PageRound(capacity));
    }
    const std::size_t from = ready & ~(PageSize - 1);
    if (end > from && populateWorks.load(std::memory_order_relaxed) &&
        madvise(static_cast<char*>(block) + from, end - from, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
        populateWorks = false;
    // Any other failure (no memory) leaves the pages to be faulted in as before.
    return end;
}

void Free(void* block, std::size_t capacity, bool mapped)
{
    if (mapped)
        munmap(block, PageRound(capacity));
    else
        std::free(block);
}

} // namespace Excel::GrowingArray
