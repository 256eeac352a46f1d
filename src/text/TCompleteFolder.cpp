#include "text/TCompleteFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "text/TFileError.h"
#include "text/TFileUtility.h"

namespace {

// Writes everything and closes; returns 0 or the first errno.
int WriteAndClose(int fd, std::string_view bytes)
{
    int error = TFileUtility::WriteAllBytes(fd, bytes) ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

TCompleteFolder::TCompleteFolder(const UnicodeString& path, const UnicodeString& reportAs)
{
    const UnicodeString& reported = reportAs.empty() ? path : reportAs;
    if (path.find(u'\0') != UnicodeString::npos)
        throw FileCreateError(reported, EINVAL);
    fd_ = ::open(ToPath(path.empty() ? u"." : path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw FileCreateError(reported, errno);
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_);
    procLink_ = ::access(proc, F_OK) == 0;
}

TCompleteFolder::~TCompleteFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int TCompleteFolder::Create(const std::string& name, std::string_view bytes)
{
    if (name.empty() || name.find('\0') != std::string::npos)
        return EINVAL;
    if (unnamedFiles_)
        return CreateUnnamed(name, bytes);
    return CreateThroughTemporary(name, bytes);
}

int TCompleteFolder::CreateUnnamed(const std::string& name, std::string_view bytes)
{
    const int fd = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        unnamedFiles_ = false;  // the file system has no unnamed files
        return CreateThroughTemporary(name, bytes);
    }
    if (!TFileUtility::WriteAllBytes(fd, bytes)) {
        const int error = errno;
        ::close(fd);  // the unnamed file goes with its descriptor
        return error;
    }
    const int error = LinkUnnamed(fd, name);
    if (error == ENOTSUP) {
        ::close(fd);
        unnamedFiles_ = false;
        return CreateThroughTemporary(name, bytes);
    }
    ::close(fd);  // once linked, the file is complete: nothing is buffered
    return error;
}

int TCompleteFolder::WriteUnnamed(std::string_view bytes, int& fd) const
{
    fd = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? ENOTSUP : errno;
    if (!TFileUtility::WriteAllBytes(fd, bytes)) {
        const int error = errno;
        ::close(fd);
        fd = -1;
        return error;
    }
    return 0;
}

int TCompleteFolder::Name(int fd, const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos)
        return EINVAL;
    const int error = LinkUnnamed(fd, name);
    if (error == ENOTSUP)
        unnamedFiles_ = false;
    return error;
}

// Gives the unnamed file its name; linkat refuses a name that is taken.
// ENOTSUP means this process has no way to link it here.
int TCompleteFolder::LinkUnnamed(int fd, const std::string& name)
{
    int emptyPathError = 0;
    if (emptyPathLink_) {
        if (::linkat(fd, "", fd_, name.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        emptyPathError = errno;
        // Without CAP_DAC_READ_SEARCH the kernel answers ENOENT.
        if (emptyPathError != ENOENT && emptyPathError != EPERM)
            return emptyPathError;
    }
    if (procLink_) {
        char proc[40];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, proc, fd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            emptyPathLink_ = false;
            return 0;
        }
        return errno;
    }
    // Neither way: a missing subfolder in the name gives ENOENT here too, so
    // only a plain name proves that linking is impossible.
    if (name.find('/') == std::string::npos)
        return ENOTSUP;
    return emptyPathError;
}

int TCompleteFolder::CreateThroughTemporary(const std::string& name, std::string_view bytes)
{
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        // Short, so that a long page name still leaves room; hidden from listings.
        temporary = ".tabloom-" + std::to_string(::getpid()) + "-" + std::to_string(++temporaryCounter_) + ".tmp";
        fd = ::openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    int error = WriteAndClose(fd, bytes);
    if (error == 0 && ::renameat2(fd_, temporary.c_str(), fd_, name.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (error == 0) {
        error = errno;
        // File systems without the flag: a hard link also refuses a taken name.
        if (error == EINVAL)
            error = ::linkat(fd_, temporary.c_str(), fd_, name.c_str(), 0) == 0 ? 0 : errno;
    }
    ::unlinkat(fd_, temporary.c_str(), 0);
    return error;
}
