#include "template/TPatternShape.h"

#include <boost/regex/icu.hpp>

#include <optional>

namespace {

bool Contains(std::u16string_view set, char16_t c)
{
    return set.find(c) != std::u16string_view::npos;
}

bool IsAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A character after "\" that stands for itself: punctuation other than the
// word-boundary and buffer assertions.
bool IsEscapedLiteral(char16_t c)
{
    return !IsAsciiAlnum(c) && c < 0x80 && !Contains(u"<>'`", c);
}

constexpr std::u16string_view ClassEscapes = u"sSdDwW";

// Alternatives, inline options ("(?i)", "(?x)"), "\Q" quoting and verbs such
// as "(*ACCEPT)" change what a sequence of items means.
bool ShapeIsSafe(std::u16string_view pattern)
{
    if (Contains(pattern, u'|') || pattern.find(u"\\Q") != std::u16string_view::npos ||
        pattern.find(u"(*") != std::u16string_view::npos)
        return false;
    for (std::size_t at = pattern.find(u"(?"); at != std::u16string_view::npos; at = pattern.find(u"(?", at + 1)) {
        if (at + 2 >= pattern.size() || !Contains(u":=!<>#", pattern[at + 2]))
            return false;
    }
    return true;
}

// The ASCII characters a one-character class matches, as the engine sees them.
std::optional<std::bitset<128>> ClassTable(std::u16string_view atom)
{
    UnicodeString source = u"\\A(?:";
    source += atom;
    source += u")\\z";
    try {
        const boost::u32regex regex = boost::make_u32regex(source);
        std::bitset<128> table;
        for (UChar32 c = 0; c < 128; ++c)
            table[static_cast<std::size_t>(c)] = boost::u32regex_match(&c, &c + 1, regex);
        return table;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Length of the bracket class at the start of `text`, 0 when it holds
// anything but plain characters, ranges and simple escapes.
std::size_t ClassLength(std::u16string_view text)
{
    std::size_t i = 1;
    if (i < text.size() && text[i] == u'^')
        ++i;
    if (i < text.size() && text[i] == u']')
        ++i;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u']')
            return i + 1;
        if (c == u'[' || IsSurrogate(c))
            return 0;
        if (c == u'\\') {
            if (i + 1 >= text.size() || !(IsEscapedLiteral(text[i + 1]) || Contains(ClassEscapes, text[i + 1])))
                return 0;
            ++i;
        }
    }
    return 0;
}

// Length of the group at the start of `text` (parentheses balanced), 0 if unclosed.
std::size_t GroupLength(std::u16string_view text)
{
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\') {
            ++i;
        } else if (c == u'[') {
            const std::size_t length = ClassLength(text.substr(i));
            if (length == 0)
                return 0;
            i += length - 1;
        } else if (c == u'(') {
            if (text.substr(i, 3) == u"(?#") {
                const std::size_t close = text.find(u')', i);
                if (close == std::u16string_view::npos)
                    return 0;
                i = close;
                if (depth == 0)
                    return i + 1;
                continue;
            }
            ++depth;
        } else if (c == u')') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return 0;
}

struct TQuantifier {
    std::size_t length = 0;  // 0: none
    bool counted = false;    // "{n,m}": the shape cannot use the item
};

// Reads a quantifier at `at` and marks `item` optional or repeated.
TQuantifier ReadQuantifier(std::u16string_view pattern, std::size_t at, TPatternItem& item)
{
    TQuantifier q;
    if (at >= pattern.size())
        return q;
    const char16_t c = pattern[at];
    if (c == u'{') {
        const std::size_t close = pattern.find(u'}', at);
        q.length = (close == std::u16string_view::npos ? pattern.size() : close + 1) - at;
        q.counted = true;
    } else if (c == u'?' || c == u'*' || c == u'+') {
        q.length = 1;
        item.optional = c != u'+';
        item.repeats = c != u'?';
    } else {
        return q;
    }
    if (at + q.length < pattern.size() && (pattern[at + q.length] == u'?' || pattern[at + q.length] == u'+'))
        ++q.length;  // lazy or possessive: fewer matches, never other ones
    return q;
}

// The last item's literal when it is unrepeated and no other item can match
// it: then every match holds that character once, at its end.
UChar32 StopCharacter(const std::vector<TPatternItem>& items)
{
    if (items.empty())
        return -1;
    const TPatternItem& last = items.back();
    if (last.literal < 0 || last.optional || last.repeats)
        return -1;
    for (std::size_t i = 0; i + 1 < items.size(); ++i)
        if (items[i].Matches(last.literal))
            return -1;
    return last.literal;
}

TPatternShape ReadShape(std::u16string_view pattern)
{
    TPatternShape shape;
    if (!ShapeIsSafe(pattern))
        return shape;
    bool inHead = true;
    // Every item of the pattern, while it is nothing but items.
    std::vector<TPatternItem> items;
    bool onlyItems = true;
    for (std::size_t i = 0; i < pattern.size();) {
        const char16_t c = pattern[i];
        TPatternItem item;
        std::size_t length = 1;
        if (c == u'(') {
            length = GroupLength(pattern.substr(i));
        } else if (c == u'\\' && i + 1 < pattern.size() && IsEscapedLiteral(pattern[i + 1])) {
            item.literal = pattern[i + 1];
            length = 2;
        } else if (c == u'\\' && i + 1 < pattern.size() && Contains(ClassEscapes, pattern[i + 1])) {
            length = 2;
        } else if (c == u'[') {
            length = ClassLength(pattern.substr(i));
        } else if (c != u'.' && !Contains(u"[](){}?*+|^$#\\", c) && !IsSurrogate(c)) {
            item.literal = c;
        } else if (c != u'.') {
            length = 0;  // anchors, back-references and other escapes
        }
        if (length == 0) {
            shape.tail.clear();
            return shape;
        }
        const TQuantifier q = ReadQuantifier(pattern, i + length, item);
        if (c == u'(' || q.counted) {
            // Groups and counted repeats are passed over: neither head nor tail.
            inHead = false;
            onlyItems = false;
            shape.tail.clear();
            i += length + q.length;
            continue;
        }
        if (item.literal < 0) {
            const auto table = ClassTable(pattern.substr(i, length));
            if (!table) {
                shape.tail.clear();
                return shape;
            }
            item.ascii = *table;
        }
        items.push_back(item);
        if (inHead && shape.head.size() < 63)
            shape.head.push_back(item);
        else
            inHead = false;
        if (item.optional || item.repeats)
            shape.tail.clear();
        else
            shape.tail.push_back(item);
        i += length + q.length;
    }
    if (onlyItems)
        shape.stop = StopCharacter(items);
    return shape;
}

} // namespace

THeadMasks::THeadMasks(const std::vector<TPatternItem>& head)
{
    for (std::size_t j = 0; j < head.size(); ++j) {
        const std::uint64_t bit = std::uint64_t(1) << j;
        const TPatternItem& item = head[j];
        for (UChar32 c = 0; c < 128; ++c)
            ascii[static_cast<std::size_t>(c)] |= item.Matches(c) ? bit : 0;
        if (item.literal < 0)
            classes |= bit;
        else if (item.literal >= 128)
            wide.emplace_back(item.literal, bit);
        optional |= item.optional ? bit : 0;
        repeats |= item.repeats ? bit : 0;
    }
    done = std::uint64_t(1) << head.size();
}

TPatternShape AnalyzePattern(std::u16string_view pattern)
{
    TPatternShape shape = ReadShape(pattern);
    shape.masks = THeadMasks(shape.head);
    return shape;
}
