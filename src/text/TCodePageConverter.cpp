#include "text/TCodePageConverter.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <memory>
#include <unordered_map>

#include "text/TLoneSurrogates.h"

namespace TCodePageConverter {

namespace {

// iconv writes and reads UTF-16 in the byte order of char16_t in memory.
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t kFailed = static_cast<std::size_t>(-1);

thread_local std::size_t openedCount = 0;

class Descriptor {
public:
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (cd_ != kNoDescriptor)
            iconv_close(cd_);
    }

    // Opens once; a failed open is remembered so it is not retried per call.
    iconv_t Get(const std::string& to, const std::string& from)
    {
        if (!tried_) {
            tried_ = true;
            if (!to.empty() && !from.empty()) {
                cd_ = iconv_open(to.c_str(), from.c_str());
                ++openedCount;
            }
        }
        return cd_;
    }

private:
    iconv_t cd_ = kNoDescriptor;
    bool tried_ = false;
};

struct Entry {
    Descriptor decoder;
    Descriptor encoder;
    std::string defaultChar;  // "?" in the code page, set when the encoder opens
};

// Descriptors carry shift state, so each thread keeps its own.
Entry& EntryOf(unsigned codePage)
{
    thread_local std::unordered_map<unsigned, Entry> entries;
    return entries[codePage];
}

// Length of the maximal invalid UTF-8 subpart at p, so that one broken
// sequence yields one U+FFFD.
std::size_t InvalidUtf8Length(const unsigned char* p, std::size_t n)
{
    const unsigned char b = p[0];
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) need = 1;
    else if (b == 0xE0) { need = 2; lo = 0xA0; }
    else if (b == 0xED) { need = 2; hi = 0x9F; }
    else if (b >= 0xE1 && b <= 0xEF) need = 2;
    else if (b == 0xF0) { need = 3; lo = 0x90; }
    else if (b == 0xF4) { need = 3; hi = 0x8F; }
    else if (b >= 0xF1 && b <= 0xF3) need = 3;
    std::size_t len = 1;
    while (len <= need && len < n) {
        const unsigned char c = p[len];
        if (len == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF))
            break;
        ++len;
    }
    return len > need ? 1 : len;  // a complete sequence that iconv refused: skip its lead only
}

bool InRange(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

// A well-formed double-byte character that the table lacks is skipped whole,
// so its trail byte cannot come out as a character of its own.
std::size_t InvalidShiftJisLength(const unsigned char* p, std::size_t n)
{
    const bool lead = InRange(p[0], 0x81, 0x9F) || InRange(p[0], 0xE0, 0xFC);
    const bool trail = n > 1 && (InRange(p[1], 0x40, 0x7E) || InRange(p[1], 0x80, 0xFC));
    return lead && trail ? 2 : 1;
}

std::size_t InvalidEucJpLength(const unsigned char* p, std::size_t n)
{
    auto isGraphic = [&](std::size_t i) { return i < n && InRange(p[i], 0xA1, 0xFE); };
    if (InRange(p[0], 0xA1, 0xFE) && isGraphic(1))
        return 2;
    if (p[0] == 0x8F && isGraphic(1) && isGraphic(2))
        return 3;
    return 1;
}

std::size_t InvalidLength(unsigned codePage, const unsigned char* p, std::size_t n)
{
    switch (codePage) {
    case 65001: return InvalidUtf8Length(p, n);
    case 932: return InvalidShiftJisLength(p, n);
    case 20932:
    case 51932: return InvalidEucJpLength(p, n);
    default: return 1;
    }
}

// iconv writes into a reused buffer whose contents are appended to the
// result: no zero-filling and no touching of memory the result never uses.
// It is large because glibc redoes work each time the output fills up.
constexpr std::size_t kChunkBytes = 1024 * 1024;

char* ScratchBuffer()
{
    thread_local std::unique_ptr<char[]> buffer(new char[kChunkBytes]);
    return buffer.get();
}

// Moves iconv back to its initial shift state, writing any escape needed.
void Flush(iconv_t cd, std::string& out)
{
    char chunk[64];
    char* outp = chunk;
    std::size_t outLeft = sizeof chunk;
    iconv(cd, nullptr, nullptr, &outp, &outLeft);
    out.append(chunk, static_cast<std::size_t>(outp - chunk));
}

std::string EncodeDefaultChar(iconv_t cd)
{
    char16_t question = u'?';
    char* in = reinterpret_cast<char*>(&question);
    std::size_t inLeft = sizeof question;
    std::string out(16, '\0');
    char* outp = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outp, &outLeft) == kFailed)
        return "?";
    iconv(cd, nullptr, nullptr, &outp, &outLeft);
    out.resize(static_cast<std::size_t>(outp - out.data()));
    return out.empty() ? "?" : out;
}

} // namespace

std::size_t OpenedDescriptorCount()
{
    return openedCount;
}

std::string IconvNameOf(unsigned codePage)
{
    switch (codePage) {
    case 932: return "CP932";
    case 20932:
    case 51932: return "EUC-JP";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 65001: return "UTF-8";
    case 0:
    case 65535: return {};  // no conversion belongs to these numbers
    default: return "CP" + std::to_string(codePage);
    }
}

bool Decode(std::string_view bytes, unsigned codePage, UnicodeString& out)
{
    out.clear();
    const iconv_t cd = EntryOf(codePage).decoder.Get(kUtf16, IconvNameOf(codePage));
    if (cd == kNoDescriptor)
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    // Every code page here yields at most one code unit per input byte.
    out.reserve(bytes.size());
    auto* chunk = reinterpret_cast<char16_t*>(ScratchBuffer());
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    for (;;) {
        char* outp = reinterpret_cast<char*>(chunk);
        std::size_t outLeft = kChunkBytes;
        // Once the input is used up, one more call emits what the decoder
        // still holds back (combining code pages keep the last character).
        const bool atEnd = inLeft == 0;
        const std::size_t r = atEnd ? iconv(cd, nullptr, nullptr, &outp, &outLeft)
                                    : iconv(cd, &in, &inLeft, &outp, &outLeft);
        const int error = errno;
        out.append(chunk, static_cast<std::size_t>(outp - reinterpret_cast<char*>(chunk)) / 2);
        if (r != kFailed) {
            if (atEnd)
                break;
            continue;
        }
        if (error == E2BIG)
            continue;
        out += u'\uFFFD';
        if (atEnd)
            break;
        if (error == EINVAL) {
            inLeft = 0;  // a sequence cut off by the end of the bytes
            continue;
        }
        const std::size_t skip = InvalidLength(codePage, reinterpret_cast<const unsigned char*>(in), inLeft);
        in += skip;
        inLeft -= skip;
    }
    return true;
}

bool Encode(std::u16string_view text, unsigned codePage, std::string& out, TUnmappable unmappable)
{
    // glibc's UTF-16 decoder skips an unpaired surrogate without a word, so
    // it is made U+FFFD first and then handled like any character.
    if (HasLoneSurrogate(text))
        return Encode(LoneSurrogatesReplaced(text), codePage, out, unmappable);
    out.clear();
    Entry& entry = EntryOf(codePage);
    const iconv_t cd = entry.encoder.Get(IconvNameOf(codePage), kUtf16);
    if (cd == kNoDescriptor)
        return false;
    if (entry.defaultChar.empty())
        entry.defaultChar = EncodeDefaultChar(cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    const bool utf8 = codePage == 65001;
    out.reserve(text.size() * (utf8 ? 3 : 2));
    char* chunk = ScratchBuffer();
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * 2;
    while (inLeft > 0) {
        char* outp = chunk;
        std::size_t outLeft = kChunkBytes;
        const std::size_t r = iconv(cd, &in, &inLeft, &outp, &outLeft);
        const int error = errno;
        out.append(chunk, static_cast<std::size_t>(outp - chunk));
        if (r != kFailed || error == E2BIG)
            continue;
        // The code unit at `in` cannot be encoded (EILSEQ), or is a high
        // surrogate cut off by the end (EINVAL).
        const std::size_t pos = text.size() - inLeft / 2;
        std::size_t units = 1;
        char32_t character = text[pos];
        if (IsHighSurrogate(text[pos]) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1])) {
            units = 2;  // one character the code page lacks
            character = CombineSurrogates(character, text[pos + 1]);
        } else if (IsSurrogate(text[pos])) {
            character = 0xFFFD;
        }
        std::string reference;
        std::string_view replacement = entry.defaultChar;
        if (utf8 && character == 0xFFFD)
            replacement = "\xEF\xBF\xBD";
        else if (unmappable == TUnmappable::CharacterReference)
            replacement = reference = "&#" + std::to_string(static_cast<unsigned long>(character)) + ";";
        // Back to the initial shift state so the replacement reads as itself.
        Flush(cd, out);
        out.append(replacement);
        in += units * 2;
        inLeft -= units * 2;
    }
    Flush(cd, out);
    return true;
}

} // namespace TCodePageConverter
