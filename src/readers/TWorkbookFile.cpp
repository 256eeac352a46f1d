#include "readers/TWorkbookFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

UnicodeString ErrnoText(int error)
{
    return Utf8ToUtf16(std::strerror(error));
}

// Closes the descriptor on every way out.
struct TFd {
    int fd;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
    TFd in{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (in.fd < 0)
        throw OpenError(file, ErrnoText(errno));
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        throw OpenError(file, ErrnoText(errno));
    if (!S_ISREG(st.st_mode))
        throw OpenError(file, u"通常のファイルではありません。");
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw OpenError(file, u"ファイルが大きすぎます。");

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw OpenError(file, ErrnoText(errno));
        }
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            throw OpenError(file, u"ファイルが大きすぎます。");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

} // namespace Excel
