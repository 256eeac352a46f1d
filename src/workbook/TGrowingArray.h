#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

namespace Excel {

// A growable array of plain values for the model's big tables (cells, the
// string pool). Small arrays live on the heap; past a few hundred KiB the
// array is mapped memory that grows by remapping its pages, so growing
// never copies what it holds and reserves no memory it does not touch.
// An array made for huge pages takes one page fault per 2 MiB it fills,
// at the price of up to 2 MiB filled with nothing at its end. A mapping is
// made ready a stretch at a time, just ahead of what is filled, with one
// call instead of a page fault per page.

namespace GrowingArray {
// Room for `bytes` in a block now `capacity` bytes long holding `used`;
// updates `mapped`. Raises std::bad_alloc when the memory is not there.
void* Resize(void* block, std::size_t used, std::size_t capacity, std::size_t& bytes, bool& mapped,
             bool hugePages);
void Free(void* block, std::size_t capacity, bool mapped);
// Of a mapping `capacity` bytes long whose pages are ready for writing up to
// `ready`: makes them ready up to at least `needed` (<= capacity) and a
// little beyond (to the end of its huge page, for one asked for huge
// pages), at most to the end; returns the new ready end.
std::size_t Prepare(void* block, std::size_t ready, std::size_t needed, std::size_t capacity, bool hugePages);
} // namespace GrowingArray

template <typename T>
class TGrowingArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TGrowingArray() = default;
    explicit TGrowingArray(bool hugePages) : hugePages_(hugePages) {}
    TGrowingArray(const TGrowingArray& other) : hugePages_(other.hugePages_) { *this = other; }
    TGrowingArray(TGrowingArray&& other) noexcept { Swap(other); }
    TGrowingArray& operator=(const TGrowingArray& other)
    {
        if (this != &other) {
            size_ = 0;
            reserve(other.size_);
            if (other.size_)
                std::memcpy(data_, other.data_, other.size_ * sizeof(T));
            size_ = other.size_;
            if (ready_ < size_)
                ready_ = size_;
        }
        return *this;
    }
    TGrowingArray& operator=(TGrowingArray&& other) noexcept
    {
        TGrowingArray gone(std::move(other));
        Swap(gone);
        return *this;
    }
    ~TGrowingArray() { GrowingArray::Free(data_, capacity_ * sizeof(T), mapped_); }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }

    void push_back(const T& value)
    {
        if (size_ == ready_)
            Grow(size_ + 1);
        data_[size_++] = value;
    }
    // Appends `count` values at once, as one copy.
    void append(const T* values, std::size_t count)
    {
        if (ready_ - size_ < count)
            Grow(size_ + count);
        if (count)
            std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    void reserve(std::size_t count)
    {
        if (count > capacity_)
            Reallocate(count);
    }
    // Keeps the first `count` values (count <= size()).
    void truncate(std::size_t count) { size_ = count; }
    void shrink_to_fit()
    {
        if (capacity_ > size_)
            Reallocate(size_);
    }

private:
    // Room for `count` values, with the pages they need ready.
    void Grow(std::size_t count)
    {
        const std::size_t doubled = size_ < 8 ? 16 : size_ * 2;
        if (count > capacity_)
            Reallocate(count > doubled ? count : doubled);
        if (!mapped_) {
            ready_ = capacity_;
            return;
        }
        const std::size_t ready =
            GrowingArray::Prepare(data_, ready_ * sizeof(T), count * sizeof(T), capacity_ * sizeof(T), hugePages_);
        ready_ = ready / sizeof(T) < capacity_ ? ready / sizeof(T) : capacity_;
    }
    void Reallocate(std::size_t count)
    {
        std::size_t bytes = count * sizeof(T);
        const bool wasMapped = mapped_;
        data_ = static_cast<T*>(
            GrowingArray::Resize(data_, size_ * sizeof(T), capacity_ * sizeof(T), bytes, mapped_, hugePages_));
        capacity_ = bytes / sizeof(T);
        // A remapping keeps the ready pages; a new mapping has only those copied in.
        if (!mapped_)
            ready_ = capacity_;
        else if (!wasMapped)
            ready_ = size_;
        else if (ready_ > capacity_)
            ready_ = capacity_;
    }
    void Swap(TGrowingArray& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(ready_, other.ready_);
        std::swap(mapped_, other.mapped_);
        std::swap(hugePages_, other.hugePages_);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t ready_ = 0;  // values that fit without Grow: capacity_, or less of a mapping
    bool mapped_ = false;
    bool hugePages_ = false;
};

} // namespace Excel
