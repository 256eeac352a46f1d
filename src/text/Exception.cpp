#include "text/Exception.h"

#include <utility>

Exception::Exception(UnicodeString message)
    : message_(std::move(message)), utf8_(Utf16ToUtf8(message_))
{
}
