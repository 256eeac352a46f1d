#include "generation/TFolderReason.h"

#include <cerrno>
#include <cstring>

#include "text/UnicodeString.h"

UnicodeString FolderFailureReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return u"権限がない";
    case ENOTDIR:
    case EEXIST:
        return u"同じ名前のファイルがある";
    case ENOSPC:
    case EDQUOT:
        return u"空き容量がない";
    case ENAMETOOLONG:
        return u"名前が長すぎる";
    default:
        return Utf8ToUtf16(std::strerror(error));
    }
}
