#pragma once

#include <string>
#include <string_view>

#include "text/UnicodeString.h"

// Conversion between code-page bytes and UTF-16 through glibc iconv. One
// descriptor per code page and direction is opened on first use and kept for
// the life of the thread.
namespace TCodePageConverter {

// The iconv name of a code page, or empty when none is known.
std::string IconvNameOf(unsigned codePage);

// Invalid bytes become U+FFFD. Returns false (and leaves `out` empty) when
// the code page cannot be opened.
bool Decode(std::string_view bytes, unsigned codePage, UnicodeString& out);

// What a character the code page cannot hold becomes.
enum class TUnmappable {
    DefaultChar,         // the code page's "?"
    CharacterReference,  // "&#128512;", for HTML; an unpaired surrogate "&#65533;"
};

// The whole text, U+0000 included. Characters the code page cannot hold
// become what `unmappable` says; an unpaired surrogate is taken as U+FFFD.
// Returns false (and leaves `out` empty) when the code page cannot be opened.
bool Encode(std::u16string_view text, unsigned codePage, std::string& out,
            TUnmappable unmappable = TUnmappable::DefaultChar);

// How often this thread has called iconv_open (at most once per code page and
// direction, failures included); lets tests check that descriptors are reused.
std::size_t OpenedDescriptorCount();

} // namespace TCodePageConverter
