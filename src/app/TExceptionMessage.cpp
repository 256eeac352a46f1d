#include "app/TExceptionMessage.h"

#include "text/Exception.h"

UnicodeString ExceptionMessage(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return Utf8ToUtf16(e.what());
}
