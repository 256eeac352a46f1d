#include "template/TTagReading.h"

#include "template/TAttributes.h"
#include "template/TStringScanner.h"
#include "text/Exception.h"
#include "text/TConvert.h"

namespace TTagReading {

TAttributeMap ReadAttributes(const UnicodeString& tagText, const UnicodeString& headPattern)
{
    TStringScanner scanner(tagText);
    scanner.Skip(headPattern);
    return ParseAttributes(scanner);
}

std::optional<UnicodeString> Find(const TAttributeMap& attributes, const UnicodeString& name)
{
    const auto it = attributes.find(name);
    if (it == attributes.end())
        return std::nullopt;
    return it->second;
}

std::optional<TCellReference> ReadCellReference(const UnicodeString& value)
{
    TCellReference ref;
    try {
        const TCellAddress address = ParseCellAddress(value);
        ref.column = ColumnNumber(address.letters);
        ref.row = StrToIntDef(address.digits, -1);
    } catch (const Exception&) {
        return std::nullopt;
    }
    if (ref.column < 1 || ref.column > MaxColumnNumber || ref.row < 1 || ref.row > MaxRowNumber)
        return std::nullopt;
    return ref;
}

UnicodeString Keyword(const UnicodeString& value)
{
    return LowerCase(Trim(value));
}

void ThrowWrongAttribute(const UnicodeString& tagWord, const UnicodeString& name,
                         const UnicodeString& value)
{
    throw Exception(tagWord + u"タグに間違いがあります。(" + name + u"=" + value + u")");
}

} // namespace TTagReading
