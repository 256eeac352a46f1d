#include "generation/TSaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>

#include "text/TCodePage.h"
#include "text/TConvert.h"
#include "text/TFileError.h"
#include "text/TFileUtility.h"
#include "text/TStringUtility.h"

namespace TSaveFile {

namespace {

// A name is taken when it names anything but a folder (links followed). A
// dangling or looping link counts too: creating through it would fail or
// write somewhere else.
bool IsTaken(const UnicodeString& path)
{
    const std::string native = ToPath(path).native();
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0)
        return !S_ISDIR(st.st_mode);
    return ::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

UnicodeString MakeUniqueFileName(const UnicodeString& folder, const UnicodeString& pageName)
{
    UnicodeString dir = folder;
    if (dir.empty() || dir.back() != u'/')
        dir += u'/';
    UnicodeString candidate = dir + pageName + u".html";
    for (std::uint64_t n = 2; IsTaken(candidate); ++n)
        candidate = dir + pageName + u"(" + IntToStr(static_cast<long long>(n)) + u").html";
    return candidate;
}

void SaveTextFile(const UnicodeString& path, const UnicodeString& text, unsigned codePage)
{
    if (text.empty())
        return;
    // Encode before creating, so nothing is left behind if encoding fails.
    const RawByteString preamble = TCodePage::GetPreamble(codePage);
    const RawByteString body = TStringUtility::EncodeString(text, codePage);

    const std::string native = ToPath(path).native();
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw FileCreateError(path, errno);
    int error = 0;
    if (!TFileUtility::WriteAllBytes(fd, preamble.bytes) || !TFileUtility::WriteAllBytes(fd, body.bytes))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        // A truncated page must not look like a finished one.
        ::unlink(native.c_str());
        throw FileCreateError(path, error);
    }
}

} // namespace TSaveFile
