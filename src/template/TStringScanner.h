#pragma once

#include <memory>
#include <string_view>

#include "text/UnicodeString.h"

// Forward-only scanner: matches a pattern (Boost.Regex, Perl syntax, ICU
// Unicode classes) at the current position and consumes what it matched.
// Positions and lengths are UTF-16 code units of the original text; an
// unpaired surrogate counts as one character. Each distinct pattern is
// compiled once per process; one the engine rejects raises Exception.
class TStringScanner {
public:
    // Holds `text` up to, not including, its first NUL.
    explicit TStringScanner(const UnicodeString& text);
    ~TStringScanner();

    TStringScanner(const TStringScanner&) = delete;
    TStringScanner& operator=(const TStringScanner&) = delete;

    bool IsEmpty() const;

    // Matches "\A" + pattern at the current position. On success consumes the
    // match and returns it (empty for a zero-length match); on failure returns
    // empty text and consumes nothing. Groups are emptied at every call.
    UnicodeString Scan(std::u16string_view pattern);

    // As Scan, but returns the match length, or -1 when nothing matched.
    int Skip(std::u16string_view pattern);

    // Entry `index` of the last successful match (0 = whole match), empty text
    // for a group that took no part or an index past the end.
    UnicodeString Group(int index) const;

    // The text not yet consumed.
    std::u16string_view Rest() const;

private:
    // Returns the match length in UTF-16 units, or -1.
    int Match(std::u16string_view pattern);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};
