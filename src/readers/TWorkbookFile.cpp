#include "readers/TWorkbookFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/TConvert.h"
#include "text/TFileUtility.h"
#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

UnicodeString ErrnoText(int error)
{
    return Utf8ToUtf16(std::strerror(error));
}

} // namespace

UnicodeString TooManyCellsReason()
{
    return u"セルが多すぎます (" + IntToStr(static_cast<long long>(MaxStoredCells)) + u" 個まで)。";
}

void CheckRegularFile(const std::filesystem::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        throw OpenError(file, ErrnoText(errno));
    if (S_ISDIR(st.st_mode))
        throw OpenError(file, u"フォルダーはブックとして開けません。");
    if (!S_ISREG(st.st_mode))
        throw OpenError(file, u"通常のファイルではありません。");
}

std::string ReadWorkbookBytes(const std::filesystem::path& file, std::uintmax_t maxBytes)
{
    CheckRegularFile(file);
    // O_NONBLOCK: should the path have been swapped for a pipe, do not block.
    const TFileUtility::TFileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0)
        throw OpenError(file, ErrnoText(errno));
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0)
        throw OpenError(file, ErrnoText(errno));
    if (!S_ISREG(st.st_mode))
        throw OpenError(file, u"通常のファイルではありません。");
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw OpenError(file, u"ファイルが大きすぎます。");

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (std::size_t got = sizeof buffer; got == sizeof buffer;) {
        if (!TFileUtility::ReadAllBytes(in.Get(), buffer, sizeof buffer, got))
            throw OpenError(file, ErrnoText(errno));
        // The file may grow while it is read.
        if (bytes.size() + got > maxBytes)
            throw OpenError(file, u"ファイルが大きすぎます。");
        bytes.append(buffer, got);
    }
    return bytes;
}

} // namespace Excel
