#include "app/TExceptionMessage.h"

#include <new>

#include "template/TTemplateError.h"
#include "text/Exception.h"

UnicodeString ExceptionMessage(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return MessageWithLocation(*own);
    // The library's own text would be English.
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return u"メモリが不足しています。";
    return Utf8ToUtf16(e.what());
}
