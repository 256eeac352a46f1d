#pragma once

// Plain markup read in one go, for handlers that take the commonest shapes
// of a large part themselves (TXmlHandler::Shortcut). Each scanner takes
// only what is well-formed whatever follows, and gives nullptr for anything
// else, input that ends too soon included: the tokenizer then reads it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Excel::Xml {

// Equality of short names, without a library call for each.
inline bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

struct TPlainTag {
    static constexpr std::size_t MaxAttributes = 8;
    // Plain pointers, so that the array below is left unset: only the first
    // `count` are read, and zeroing them all took a sixth of a cell's time.
    struct TAttribute {
        const char* nameData;
        std::size_t nameSize;
        const char* valueData;
        std::size_t valueSize;
        std::string_view Name() const { return {nameData, nameSize}; }
        std::string_view Value() const { return {valueData, valueSize}; }
    };

    std::string_view name;
    std::array<TAttribute, MaxAttributes> attributes;
    std::size_t count = 0;
    bool empty = false;  // closed by "/>"

    // The value of an unprefixed attribute.
    std::optional<std::string_view> Find(std::string_view attribute) const
    {
        for (std::size_t i = 0; i < count; ++i)
            if (SameName(attributes[i].Name(), attribute))
                return attributes[i].Value();
        return std::nullopt;
    }
};

// The start tag at p ('<' first), when its name is an unprefixed ASCII name
// and its attributes, of distinct names, are unprefixed or "xml:" ones
// (never a declaration) with values of printable ASCII and no references.
// Gives the position after the tag.
const char* ReadPlainTag(const char* p, const char* end, TPlainTag& tag);

// Text from p up to the '<' that ends it, into `text`: a view of the input,
// or of `scratch` when it holds references (the five predefined entities
// and character references), decoded.
const char* ReadText(const char* p, const char* end, std::string_view& text, std::string& scratch);

// "</name>" at p, without blanks: the position after it.
inline const char* ReadEndTag(const char* p, const char* end, std::string_view name)
{
    const std::size_t size = name.size() + 3;
    if (static_cast<std::size_t>(end - p) < size || p[0] != '<' || p[1] != '/' ||
        !SameName(std::string_view(p + 2, name.size()), name) || p[size - 1] != '>')
        return nullptr;
    return p + size;
}

} // namespace Excel::Xml
