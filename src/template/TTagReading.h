#pragma once

#include <optional>

#include "template/TAttributes.h"
#include "text/UnicodeString.h"

// Helpers shared by the excel, cell and loop tag readers.
namespace TTagReading {

// Skips the tag head matched by `headPattern` and reads the attribute list.
TAttributeMap ReadAttributes(const UnicodeString& tagText, const UnicodeString& headPattern);

// The attribute's value as written, or nothing when absent.
std::optional<UnicodeString> Find(const TAttributeMap& attributes, const UnicodeString& name);

struct TCellReference {
    int column = -1;
    int row = -1;
};

// A reference such as "B3" within the grid limits; nothing when it is not one.
std::optional<TCellReference> ReadCellReference(const UnicodeString& value);

// Trimmed and lower-cased keyword value.
UnicodeString Keyword(const UnicodeString& value);

// "<word>タグに間違いがあります。(<name>=<value>)"
[[noreturn]] void ThrowWrongAttribute(const UnicodeString& tagWord, const UnicodeString& name,
                                      const UnicodeString& value);

} // namespace TTagReading
