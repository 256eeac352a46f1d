// libFuzzer target for the small readers every tag and ini value goes
// through: the integer reading, cell references, column letters and sheet
// lists. Each result is checked against a plain restatement of its rules.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "template/TAttributes.h"
#include "template/TCsvUtility.h"
#include "template/TTagReading.h"
#include "text/Exception.h"
#include "text/TConvert.h"

namespace {

int Digit(char16_t c, int base)
{
    int d = -1;
    if (c >= u'0' && c <= u'9')
        d = c - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
    return d < base ? d : -1;
}

// Blanks, sign, "$"/"x"/"X"/"0x"/"0X" for hexadecimal; nothing may follow.
std::optional<int> ReferenceInteger(const UnicodeString& text)
{
    std::size_t i = text.find_first_not_of(u' ');
    if (i == UnicodeString::npos)
        return std::nullopt;
    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-')
        negative = text[i++] == u'-';
    int base = 10;
    if (text.compare(i, 2, u"0x") == 0 || text.compare(i, 2, u"0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    std::size_t significant = 0;
    for (; i < text.size(); ++i) {
        const int d = Digit(text[i], base);
        if (d < 0)
            return std::nullopt;
        if (value == 0 && d == 0)
            continue;
        if (++significant > 10)
            return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    if (base == 16) {
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        const std::uint32_t bits = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        return static_cast<int>(bits);
    }
    const long long signedValue = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(signedValue);
}

int ReferenceColumnIndex(const UnicodeString& letters)
{
    if (letters.empty() || letters.size() > 4)
        return -1;  // past XFD, and the sum below stays small
    long value = 0;
    for (char16_t c : letters) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
        if (c < u'A' || c > u'Z')
            return -1;
        value = value * 26 + (c - u'A' + 1);
    }
    return value <= 16384 ? static_cast<int>(value - 1) : -1;
}

// Letters then digits, nothing else once blanks and controls are trimmed.
std::optional<TCellAddress> ReferenceCellAddress(const UnicodeString& text)
{
    const UnicodeString trimmed = Trim(text);
    std::size_t split = 0;
    while (split < trimmed.size() && ((trimmed[split] | 0x20) >= u'a' && (trimmed[split] | 0x20) <= u'z'))
        ++split;
    if (split == 0 || split == trimmed.size())
        return std::nullopt;
    for (std::size_t i = split; i < trimmed.size(); ++i)
        if (trimmed[i] < u'0' || trimmed[i] > u'9')
            return std::nullopt;
    TCellAddress address{trimmed.substr(0, split), trimmed.substr(split)};
    const int column = ReferenceColumnIndex(address.letters) + 1;
    const auto row = ReferenceInteger(address.digits);
    if (column < 1 || !row || *row < 1 || *row > MaxRowNumber)
        return std::nullopt;
    return address;
}

UnicodeString Units(const std::uint8_t* data, std::size_t size)
{
    UnicodeString text;
    if (size > 0 && data[0] % 2 == 0) {
        for (std::size_t i = 1; i < size; ++i)
            text += static_cast<char16_t>(data[i]);  // Latin-1: mostly ASCII mutations
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const UnicodeString text = Units(data, size);

    const auto expected = ReferenceInteger(text);
    Check(StrToIntDef(text, -1) == (expected ? *expected : -1));
    Check(StrToIntDef(text, 7) == (expected ? *expected : 7));

    Check(TCsvUtility::ColumnIndex(text) == ReferenceColumnIndex(text));
    Check(ColumnNumber(text) == ReferenceColumnIndex(text) + 1);

    const auto address = ReferenceCellAddress(text);
    try {
        const TCellAddress parsed = ParseCellAddress(text);
        Check(address && parsed == *address);
    } catch (const Exception& e) {
        Check(!address && e.Message() == text + u" is not cell");
    }
    const auto ref = TTagReading::ReadCellReference(text);
    Check(ref.has_value() == address.has_value());
    if (ref) {
        Check(ref->column == ReferenceColumnIndex(address->letters) + 1);
        Check(ref->row == *ReferenceInteger(address->digits));
    }

    std::vector<int> sheets;
    if (TCsvUtility::ParseSheetList(text, sheets)) {
        for (std::size_t i = 0; i < sheets.size(); ++i)
            Check(sheets[i] >= 1 && (i == 0 || sheets[i - 1] < sheets[i]));
    }
    return 0;
}
