#include "text/TAtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "text/TFileError.h"
#include "text/TFileUtility.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowCreateError(const UnicodeString& path, int error)
{
    throw FileCreateError(path, error);
}

// Removes the temporary file unless it has been renamed into place.
class TTempGuard {
public:
    TTempGuard() = default;
    ~TTempGuard()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TTempGuard(const TTempGuard&) = delete;
    TTempGuard& operator=(const TTempGuard&) = delete;

    int fd_ = -1;
    fs::path path_;
};

fs::path ResolveTarget(const fs::path& target)
{
    std::error_code ec;
    if (!fs::is_symlink(target, ec))
        return target;
    const fs::path resolved = fs::weakly_canonical(target, ec);
    // A link that cannot be resolved (a loop) must not be replaced by a file.
    if (ec)
        ThrowCreateError(FromPath(target), ec.value());
    return resolved;
}

int CreateUnique(const fs::path& target, mode_t mode, fs::path& created)
{
    std::random_device rd;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // Shortened so that a long but valid target name still leaves room.
    const std::string stem = "." + target.filename().string().substr(0, 200) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(rd()));
        fs::path candidate = folder / (stem + suffix);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            created = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolder(const fs::path& target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename itself has already succeeded
        ::close(fd);
    }
}

// Overwrites the file itself: for a folder that takes no new files and for a
// file with several links, which a rename would split. The content is
// complete in memory, so the file is only ever short of it while writing.
void WriteInPlace(const UnicodeString& path, const fs::path& target, std::string_view bytes)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        ThrowCreateError(path, errno);
    int error = 0;
    if (!TFileUtility::WriteAllBytes(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
        ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ThrowCreateError(path, error);
}

bool FolderRefusesNewFiles(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// A character device (a settings file linked to /dev/null) or a FIFO takes
// the bytes in place: renaming over it would turn the node into a plain file.
// A FIFO with no reader is refused rather than waited on.
void WriteToSpecialFile(const UnicodeString& path, const fs::path& target, std::string_view bytes, bool fifo)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (fifo ? O_NONBLOCK : 0));
    if (fd < 0)
        ThrowCreateError(path, errno);
    int error = 0;
    if (fifo && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error == 0 && !TFileUtility::WriteAllBytes(fd, bytes))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ThrowCreateError(path, error);
}

// Block devices and sockets are never a file to save: refused with a reason
// of their own on a line after the usual message.
[[noreturn]] void RefuseSpecialFile(const UnicodeString& path)
{
    throw Exception(FileCreateError(path, ENOTSUP).Message() + u"\n"
                    + u"保存先が通常のファイルではありません(ブロックデバイスまたはソケット)。");
}

// Writes a temporary file beside `target` and renames it over the name. `old`
// is the regular file being replaced, whose owner and mode the new one keeps.
void ReplaceByRename(const UnicodeString& path, const fs::path& target, std::string_view bytes,
                     mode_t newFileMode, const struct stat* old)
{
    TTempGuard temp;
    temp.fd_ = CreateUnique(target, newFileMode, temp.path_);
    if (temp.fd_ < 0) {
        const int error = errno;
        if (old != nullptr && FolderRefusesNewFiles(error) && ::access(target.c_str(), W_OK) == 0) {
            WriteInPlace(path, target, bytes);
            return;
        }
        ThrowCreateError(path, error);
    }
    if (old != nullptr) {
        // An administrator saving someone else's file must not take it over.
        if (::geteuid() == 0)
            (void)!::fchown(temp.fd_, old->st_uid, old->st_gid);
        ::fchmod(temp.fd_, old->st_mode & 07777);
    }
    if (!TFileUtility::WriteAllBytes(temp.fd_, bytes) || ::fsync(temp.fd_) != 0)
        ThrowCreateError(path, errno);
    const int fd = temp.fd_;
    temp.fd_ = -1;
    if (::close(fd) != 0)
        ThrowCreateError(path, errno);
    if (::rename(temp.path_.c_str(), target.c_str()) != 0)
        ThrowCreateError(path, errno);
    temp.path_.clear();
    SyncFolder(target);
}

} // namespace

namespace TAtomicFile {

void Write(const UnicodeString& path, std::string_view bytes, mode_t newFileMode)
{
    // A NUL would cut the name short and let another file be replaced.
    if (path.find(u'\0') != UnicodeString::npos)
        ThrowCreateError(path, EINVAL);
    const fs::path target = ResolveTarget(ToPath(path));
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        ThrowCreateError(path, EISDIR);
    if (existed && (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode))) {
        WriteToSpecialFile(path, target, bytes, S_ISFIFO(old.st_mode));
        return;
    }
    if (existed && !S_ISREG(old.st_mode))
        RefuseSpecialFile(path);

    if (existed && S_ISREG(old.st_mode) && old.st_nlink > 1) {
        WriteInPlace(path, target, bytes);
        return;
    }
    ReplaceByRename(path, target, bytes, newFileMode, existed ? &old : nullptr);
}

void WriteOwnFile(const UnicodeString& path, std::string_view bytes, mode_t newFileMode)
{
    if (path.find(u'\0') != UnicodeString::npos)
        ThrowCreateError(path, EINVAL);
    const fs::path target = ToPath(path);
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISDIR(old.st_mode))
        ThrowCreateError(path, EISDIR);
    ReplaceByRename(path, target, bytes, newFileMode, nullptr);
}

} // namespace TAtomicFile
