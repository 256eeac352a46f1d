#include "app/TkAppInfo.h"

#include <cstdio>

#include "TabloomVersion.h"
#include "text/Exception.h"

namespace {

const char16_t* const KeyNames[] = {
    u"Comments", u"CompanyName", u"FileDescription", u"FileVersion", u"InternalName", u"LegalCopyright",
    u"LegalTradeMarks", u"OriginalFilename", u"PrivateBuild", u"ProductName", u"ProductVersion",
};
constexpr int KeyCount = sizeof KeyNames / sizeof KeyNames[0];

constexpr uint32_t JapaneseShiftJis = 0x03A40411;  // code page 932 high, language 0x0411 low

TVersionResource MakeProgramResource()
{
    const UnicodeString comment = u"テンプレートにExcelデータを差し込み、HTMLファイルを作成する";
    const std::pair<int, UnicodeString> values[] = {
        {0, comment},
        {1, u"Orvanta"},
        {2, comment},
        {3, Utf8ToUtf16(TABLOOM_VERSION)},
        {4, u""},
        {5, Utf8ToUtf16(TABLOOM_COPYRIGHT)},
        {6, u""},
        {7, u"tabloom"},
        {9, u"tabloom"},
        {10, u"1.0.0.0"},
    };
    TVersionResource resource;
    resource.translations = {JapaneseShiftJis};
    for (const auto& [key, text] : values)
        resource.strings.emplace_back(TkAppInfo::SubBlockName(JapaneseShiftJis, key), text);
    return resource;
}

} // namespace

const TVersionResource& ProgramVersionResource()
{
    static const TVersionResource resource = MakeProgramResource();
    return resource;
}

TkAppInfo::TkAppInfo() : TkAppInfo(&ProgramVersionResource()) {}

TkAppInfo::TkAppInfo(const TVersionResource* resource)
{
    // A table without a translation is treated like a missing one: the
    // strings could not be addressed.
    if (resource == nullptr || resource->translations.empty())
        throw Exception(u"バージョン情報を取得できません");
    data_ = *resource;
    Translation = data_.translations.front();
}

UnicodeString TkAppInfo::SubBlockName(uint32_t translation, int key)
{
    if (key < 0 || key >= KeyCount)
        return UnicodeString();
    char hex[9];
    std::snprintf(hex, sizeof hex, "%04X%04X", static_cast<unsigned>(translation & 0xFFFF),
                  static_cast<unsigned>(translation >> 16));
    return u"\\StringFileInfo\\" + Utf8ToUtf16(hex) + u"\\" + KeyNames[key];
}

UnicodeString TkAppInfo::GetString(int key) const
{
    const UnicodeString name = SubBlockName(Translation, key);
    if (name.empty())
        return UnicodeString();
    for (const auto& [subBlock, text] : data_.strings)
        if (subBlock == name)
            return text;
    return UnicodeString();
}
