#include "text/TFileUtility.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <random>
#include <stdexcept>

#include "text/Exception.h"
#include "text/TConvert.h"
#include "text/TFileError.h"
#include "text/TStringUtility.h"
#include "text/TLoneSurrogates.h"

namespace TFileUtility {

TFileDescriptor::~TFileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool WriteAllBytes(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ReadAllBytes(int fd, char* data, std::size_t size, std::size_t& got)
{
    got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// A path that holds a NUL would silently name another file.
bool HasNul(const UnicodeString& path)
{
    return path.find(u'\0') != UnicodeString::npos;
}

UnicodeString UpperHex(unsigned value)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    UnicodeString out;
    do {
        out.insert(out.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return out;
}

} // namespace

RawByteString LoadFileBytes(const UnicodeString& path)
{
    if (HasNul(path))
        throw FileOpenError(path, EINVAL);
    // Non-blocking so that opening a FIFO cannot hang.
    TFileDescriptor file(::open(ToNative(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0)
        throw FileOpenError(path, errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        throw FileOpenError(path, errno);
    if (S_ISDIR(info.st_mode))
        throw FileOpenError(path, EISDIR);

    RawByteString result;
    // Only regular files have a size; anything else reads as empty.
    const auto size = S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<unsigned long long>(info.st_size) : 0ull;
    if (size == 0)
        return result;
    try {
        if (size > result.bytes.max_size())
            throw std::length_error("file too large");
        result.bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::exception& e) {
        throw Exception(u"ファイルの読み込みに必要なメモリを確保できませんでした。\n" + Utf8ToUtf16(e.what()));
    }
    std::size_t done = 0;
    if (!ReadAllBytes(file.Get(), result.bytes.data(), result.bytes.size(), done))
        throw FileReadError(path, errno);
    result.bytes.resize(done);  // shrank since fstat: keep what is there, no zero padding
    return result;
}

UnicodeString ToValidFileName(const UnicodeString& name)
{
    static const struct { const char16_t* from; const char16_t* to; } replacements[] = {
        {u"\\", u"\uFFE5"}, {u"/", u"\uFF0F"}, {u":", u"\uFF1A"}, {u"*", u"\uFF0A"},
        {u"?", u"\uFF1F"},  {u"\"", u"\u201D"}, {u"<", u"\uFF1C"}, {u">", u"\uFF1E"},
        {u"|", u"\uFF5C"},
    };
    // A lone surrogate from cell text would become a stray byte in the name
    // (not UTF-8): U+FFFD keeps the name valid text.
    UnicodeString result = LoneSurrogatesReplaced(name);
    for (const auto& r : replacements)
        result = TStringUtility::ReplaceString(result, r.from, r.to, TStringUtility::rfReplaceAll);
    // Windows refuses every control character in a name, and a NUL would cut
    // the name (and its ".html") short.
    for (char16_t& c : result)
        if (c < 0x20)
            c = u' ';

    const std::size_t dot = result.rfind(u'.');
    const UnicodeString base = dot == UnicodeString::npos ? result : result.substr(0, dot);
    const UnicodeString extension = dot == UnicodeString::npos ? UnicodeString() : result.substr(dot);

    static const char16_t* const reserved[] = {
        u"CON",  u"PRN",  u"AUX",  u"CLOCK$", u"NUL",
        u"COM0", u"COM1", u"COM2", u"COM3",   u"COM4", u"COM5", u"COM6", u"COM7", u"COM8", u"COM9",
        u"LPT0", u"LPT1", u"LPT2", u"LPT3",   u"LPT4", u"LPT5", u"LPT6", u"LPT7", u"LPT8", u"LPT9",
    };
    const UnicodeString upper = UpperCase(base);
    for (const char16_t* device : reserved) {
        if (upper == device)
            return TStringUtility::LCMapText(base, TStringUtility::LCMAP_FULLWIDTH) + extension;
    }
    return result;
}

UnicodeString GetTempDirectory()
{
    std::filesystem::path folder;
    try {
        folder = std::filesystem::temp_directory_path();
    } catch (const std::exception&) {
        throw Exception(u"Cannot get temporary direcotry.");
    }
    UnicodeString text = FromPath(folder);
    if (text.empty())
        throw Exception(u"Cannot get temporary direcotry.");
    if (text.back() != u'/')
        text += u'/';
    return text;
}

UnicodeString CreateTempFileName(const UnicodeString& directory, const UnicodeString& prefix)
{
    UnicodeString folder = directory.empty() ? GetTempDirectory() : directory;
    if (folder.back() != u'/')
        folder += u'/';
    const UnicodeString failure = u"一時ファイルの作成に失敗しました。";
    if (HasNul(folder) || HasNul(prefix))
        throw Exception(failure);

    // Like the Windows call: a 16-bit number, tried upwards from a random start.
    std::random_device random;
    const unsigned start = random() % 0xFFFF;
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        const UnicodeString path = folder + prefix + UpperHex((start + i) % 0xFFFF + 1) + u".tmp";
        const int fd = ::open(ToNative(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            break;
    }
    throw Exception(failure);
}

UnicodeString CreateTempFileName()
{
    return CreateTempFileName(UnicodeString(), UnicodeString());
}

bool RenameNoReplace(const UnicodeString& from, const UnicodeString& to)
{
    if (HasNul(from) || HasNul(to))
        return false;
    const std::string source = ToNative(from);
    const std::string target = ToNative(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // File systems without the flag: a hard link also refuses an existing name.
    if (errno != EINVAL || ::link(source.c_str(), target.c_str()) != 0)
        return false;
    ::unlink(source.c_str());
    return true;
}

} // namespace TFileUtility
