#include "workbook/TWorkbookError.h"

namespace Excel {

EOleException OpenError(const std::filesystem::path& file, std::u16string_view reason)
{
    UnicodeString message = u"ファイル \"";
    message += FromPath(file);
    message += u"\" を開けません。";
    message += reason;
    return EOleException(std::move(message));
}

EOleException OpenErrorUtf8(const std::filesystem::path& file, std::string_view reason)
{
    return OpenError(file, Utf8ToUtf16(reason));
}

} // namespace Excel
