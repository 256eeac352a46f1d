#include "text/TLoneSurrogates.h"

namespace {

// Index of the first unpaired surrogate at or after `from`, or npos.
std::size_t FindLoneSurrogate(std::u16string_view text, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i) {
        if (!IsSurrogate(text[i]))
            continue;
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        else
            return i;
    }
    return std::u16string_view::npos;
}

} // namespace

bool HasLoneSurrogate(std::u16string_view text)
{
    return FindLoneSurrogate(text, 0) != std::u16string_view::npos;
}

UnicodeString LoneSurrogatesReplaced(std::u16string_view text)
{
    UnicodeString out(text);
    for (std::size_t i = FindLoneSurrogate(out, 0); i != std::u16string_view::npos; i = FindLoneSurrogate(out, i + 1))
        out[i] = u'\uFFFD';
    return out;
}

