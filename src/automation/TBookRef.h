#pragma once

#include <utility>

#include "automation/TOpenBook.h"

// A counted reference to an open workbook, held by the engine and by every
// handle. Reading a cell makes and drops one, so the count is a plain
// integer, not an atomic, and counting is inline: the handles of one
// workbook, like its sheets' lookup cursors, are used by one thread at a time.

namespace Excel {

class TBookRef {
public:
    TBookRef() = default;
    // Takes a book just made with new; the last reference deletes it.
    static TBookRef Adopt(TOpenBook* book);
    TBookRef(const TBookRef& other) : book_(other.book_) { Retain(); }
    TBookRef(TBookRef&& other) noexcept : book_(std::exchange(other.book_, nullptr)) {}
    TBookRef& operator=(TBookRef other) noexcept
    {
        std::swap(book_, other.book_);
        return *this;
    }
    ~TBookRef() { Release(); }

    TOpenBook* get() const { return book_; }
    TOpenBook* operator->() const { return book_; }
    TOpenBook& operator*() const { return *book_; }
    explicit operator bool() const { return book_ != nullptr; }
    friend bool operator==(const TBookRef& a, const TBookRef& b) { return a.book_ == b.book_; }

private:
    explicit TBookRef(TOpenBook* book) : book_(book) { Retain(); }
    void Retain() const
    {
        if (book_)
            ++book_->references_;
    }
    void Release()
    {
        if (book_ && --book_->references_ == 0)
            delete book_;
        book_ = nullptr;
    }

    TOpenBook* book_ = nullptr;
};

} // namespace Excel
