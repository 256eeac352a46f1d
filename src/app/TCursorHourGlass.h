#pragma once

// The busy cursor as a scoped object: construction switches it on, destruction
// puts the previous cursor back, also when the bracketed work throws. The
// window that owns the cursor implements TBusyCursor.

// What a window does to show and end the busy cursor.
class TBusyCursor {
public:
    virtual ~TBusyCursor() = default;
    virtual void BeginBusyCursor() = 0;
    virtual void EndBusyCursor() = 0;
};

class TCursorHourGlass {
public:
    explicit TCursorHourGlass(TBusyCursor& cursor) : cursor_(cursor) { cursor_.BeginBusyCursor(); }
    ~TCursorHourGlass() { cursor_.EndBusyCursor(); }
    TCursorHourGlass(const TCursorHourGlass&) = delete;
    TCursorHourGlass& operator=(const TCursorHourGlass&) = delete;

private:
    TBusyCursor& cursor_;
};
