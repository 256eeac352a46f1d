#include "text/TFileError.h"

#include <cstring>

namespace {

Exception FileError(const UnicodeString& path, const char16_t* what, int error)
{
    return Exception(u"ファイル \"" + path + u"\" " + what + ErrorText(error));
}

} // namespace

UnicodeString ErrorText(int error)
{
    char buffer[256];
    // GNU strerror_r: returns either `buffer` or a static string.
    return Utf8ToUtf16(strerror_r(error, buffer, sizeof buffer));
}

Exception FileOpenError(const UnicodeString& path, int error)
{
    return FileError(path, u"を開けません。", error);
}

Exception FileCreateError(const UnicodeString& path, int error)
{
    return FileError(path, u"を作成できません。", error);
}

Exception FileReadError(const UnicodeString& path, int error)
{
    return FileError(path, u"を読み込めません。", error);
}
