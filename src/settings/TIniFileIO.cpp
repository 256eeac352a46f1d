#include "settings/TIniFileIO.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/TFileError.h"
#include "text/TStringUtility.h"

namespace {

constexpr unsigned ShiftJisCodePage = 932;
// Ini files are a few kilobytes; anything this large is not one.
constexpr off_t MaxIniSize = 16 * 1024 * 1024;

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LEMark = "\xFF\xFE";
constexpr std::string_view Utf16BEMark = "\xFE\xFF";

[[noreturn]] void ThrowOpenError(const UnicodeString& path, int error)
{
    throw FileOpenError(path, error);
}

class TFd {
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() { if (fd_ >= 0) ::close(fd_); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

UnicodeString DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    UnicodeString out;
    out.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    if (bytes.size() % 2 != 0)
        out += u'\uFFFD';  // a cut-off last unit
    return out;
}

std::string EncodeUtf16(const UnicodeString& text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

} // namespace

namespace TIniFileIO {

bool ReadExisting(const UnicodeString& path, std::string& bytes)
{
    const std::string native = Utf16ToUtf8(path);
    // Non-blocking so that a named pipe cannot stall the open.
    TFd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        ThrowOpenError(path, errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        ThrowOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        ThrowOpenError(path, EISDIR);
    if (!S_ISREG(st.st_mode))
        ThrowOpenError(path, EINVAL);
    if (st.st_size > MaxIniSize)
        ThrowOpenError(path, EFBIG);

    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowOpenError(path, errno);
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (data.size() > static_cast<std::size_t>(MaxIniSize))
            ThrowOpenError(path, EFBIG);
    }
    bytes = std::move(data);
    return true;
}

bool IsValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        char32_t c;
        char32_t min;
        if ((b & 0xE0) == 0xC0) { extra = 1; c = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { extra = 2; c = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { extra = 3; c = b & 0x07; min = 0x10000; }
        else return false;
        if (i + extra >= n)
            return false;
        for (std::size_t j = 1; j <= extra; ++j) {
            if ((p[i + j] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i + j] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

UnicodeString Decode(std::string_view bytes, TIniEncoding& encoding)
{
    if (bytes.starts_with(Utf8Mark)) {
        encoding = TIniEncoding::Utf8Bom;
        return Utf8ToUtf16(bytes.substr(Utf8Mark.size()));
    }
    if (bytes.starts_with(Utf16LEMark)) {
        encoding = TIniEncoding::Utf16LE;
        return DecodeUtf16(bytes.substr(2), false);
    }
    if (bytes.starts_with(Utf16BEMark)) {
        encoding = TIniEncoding::Utf16BE;
        return DecodeUtf16(bytes.substr(2), true);
    }
    if (IsValidUtf8(bytes)) {
        encoding = TIniEncoding::Utf8;
        return Utf8ToUtf16(bytes);
    }
    encoding = TIniEncoding::ShiftJis;
    return TStringUtility::DecodeString(RawByteString{std::string(bytes), ShiftJisCodePage}, ShiftJisCodePage);
}

std::string Encode(const UnicodeString& text, TIniEncoding encoding)
{
    switch (encoding) {
    case TIniEncoding::Utf8:
        return Utf16ToUtf8(text);
    case TIniEncoding::Utf8Bom:
        return std::string(Utf8Mark) + Utf16ToUtf8(text);
    case TIniEncoding::Utf16LE:
        return std::string(Utf16LEMark) + EncodeUtf16(text, false);
    case TIniEncoding::Utf16BE:
        return std::string(Utf16BEMark) + EncodeUtf16(text, true);
    case TIniEncoding::ShiftJis: {
        RawByteString sjis = TStringUtility::EncodeString(text, ShiftJisCodePage);
        // Characters outside the code page would turn into "?".
        if (TStringUtility::DecodeString(sjis, ShiftJisCodePage) == text)
            return std::move(sjis.bytes);
        return Encode(text, TIniEncoding::Utf8Bom);
    }
    }
    return Utf16ToUtf8(text);
}

} // namespace TIniFileIO
