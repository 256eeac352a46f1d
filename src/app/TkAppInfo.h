#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "text/UnicodeString.h"

// The program's version information: a table compiled into the program in
// place of a version resource, looked up by sub-block name the way the
// version API does (\VarFileInfo\Translation, \StringFileInfo\041103A4\...).

struct TVersionResource {
    std::vector<uint32_t> translations;  // language in the low 16 bits, code page in the high
    std::vector<std::pair<UnicodeString, UnicodeString>> strings;  // sub-block name -> text
};

// The table of this program: Japanese (0x0411) with code page 932.
const TVersionResource& ProgramVersionResource();

class TkAppInfo {
public:
    // Reads the program's own table.
    TkAppInfo();
    // Reads `resource`; null, or one without a translation, raises
    // "バージョン情報を取得できません".
    explicit TkAppInfo(const TVersionResource* resource);

    // Keys 0 to 10: Comments, CompanyName, FileDescription, FileVersion,
    // InternalName, LegalCopyright, LegalTradeMarks, OriginalFilename,
    // PrivateBuild, ProductName, ProductVersion. "" when the table has no
    // such string (or the number names no key).
    UnicodeString GetString(int key) const;

    // "\StringFileInfo\" + language and code page as upper-case hex + "\" + key.
    static UnicodeString SubBlockName(uint32_t translation, int key);

    uint32_t Translation = 0;

private:
    TVersionResource data_;
};
