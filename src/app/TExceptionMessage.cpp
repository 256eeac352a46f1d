#include "app/TExceptionMessage.h"

#include <new>

#include "text/Exception.h"

UnicodeString ExceptionMessage(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    // The library's own text would be English.
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return u"メモリが不足しています。";
    return Utf8ToUtf16(e.what());
}
