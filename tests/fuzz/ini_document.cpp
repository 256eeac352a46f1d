// libFuzzer target for the ini document behind project, settings and task
// files: any bytes (marks, UTF-8, Shift_JIS, UTF-16 of odd length) must read,
// and what is written back must read again as the same document.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/TIniFile.h"
#include "text/Exception.h"
#include "text/TConvert.h"

namespace {

// A storable value made from the document's own text: no line breaks, and
// trimmed, since reading trims.
UnicodeString Storable(const UnicodeString& text)
{
    UnicodeString out;
    for (char16_t c : text.substr(0, 64))
        out += (c == u'\r' || c == u'\n') ? u'_' : c;
    return Trim(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TIniFile ini = TIniFile::FromBytes(bytes);
    const UnicodeString text = ini.ToText();
    const TIniFile again = TIniFile::FromBytes(ini.ToBytes());
    Check(again.ToText() == text);

    // Read keys as the programs do, then update some and read them back.
    (void)ini.ReadInteger(u"CONFIG", u"TemplateFileEncoding", 0);
    (void)ini.ReadBool(u"STARTUP", u"InTaskTray", false);
    const UnicodeString value = Storable(ini.ReadString(u"CONFIG", u"TemplateFilePath", text));
    try {
        ini.WriteString(u"CONFIG", u"TemplateFilePath", value);
        ini.WriteInteger(u"SYSTEM", u"VERSION", 1);
        ini.WriteString(value, u"key", value);
    } catch (const Exception&) {
        return 0;  // a name that cannot be stored (holding "=")
    }
    const TIniFile written = TIniFile::FromBytes(ini.ToBytes());
    Check(written.ReadString(u"CONFIG", u"TemplateFilePath", u"?") == value);
    Check(written.ReadInteger(u"SYSTEM", u"VERSION", 0) == 1);
    return 0;
}
