#include "settings/TIniFileIO.h"

#include <cerrno>
#include <sys/stat.h>

#include "text/Exception.h"
#include "text/Stringutility.h"
#include "text/TConvert.h"
#include "text/TFileUtility.h"
#include "text/TStringUtility.h"

namespace {

constexpr unsigned ShiftJisCodePage = 932;

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LEMark = "\xFF\xFE";
constexpr std::string_view Utf16BEMark = "\xFE\xFF";

} // namespace

namespace TIniFileIO {

bool ReadExisting(const UnicodeString& path, std::string& bytes)
{
    struct stat st {};
    const bool hasNul = path.find(u'\0') != UnicodeString::npos;
    if (!hasNul && ::stat(ToNative(path).c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return false;
    // Settings and project files are a few kilobytes; a huge file is not
    // one, and reading it would take memory several times its size.
    if (!hasNul && S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > MaxFileSize)
        throw Exception(u"ファイル \"" + path + u"\" は大きすぎるため読み込めません。設定ファイルとプロジェクトファイルは" +
                        IntToStr(MaxFileSize >> 20) + u"MBまでです。");
    bytes = TFileUtility::LoadFileBytes(path).bytes;
    return true;
}

UnicodeString Decode(std::string_view bytes, TIniEncoding& encoding)
{
    if (bytes.starts_with(Utf8Mark)) {
        encoding = TIniEncoding::Utf8Bom;
        return Utf8ToUtf16(bytes.substr(Utf8Mark.size()));
    }
    if (bytes.starts_with(Utf16LEMark)) {
        encoding = TIniEncoding::Utf16LE;
        return Stringutility::UTF16LEToUnicode(bytes.substr(2));
    }
    if (bytes.starts_with(Utf16BEMark)) {
        encoding = TIniEncoding::Utf16BE;
        return Stringutility::UTF16BEToUnicode(bytes.substr(2));
    }
    if (IsValidUtf8(bytes)) {
        encoding = TIniEncoding::Utf8;
        return Utf8ToUtf16(bytes);
    }
    encoding = TIniEncoding::ShiftJis;
    return TStringUtility::DecodeString(RawByteString{std::string(bytes), ShiftJisCodePage}, ShiftJisCodePage);
}

std::string Encode(const UnicodeString& text, TIniEncoding encoding)
{
    switch (encoding) {
    case TIniEncoding::Utf8:
    case TIniEncoding::Utf8Bom: {
        // Unpaired surrogates (a path made of bytes that are not UTF-8) would
        // turn into U+FFFD; UTF-16 keeps them, and both programs read it.
        std::string utf8 = Utf16ToUtf8(text);
        if (Utf8ToUtf16(utf8) != text)
            return Encode(text, TIniEncoding::Utf16LE);
        return encoding == TIniEncoding::Utf8 ? utf8 : std::string(Utf8Mark) + utf8;
    }
    case TIniEncoding::Utf16LE:
        return std::string(Utf16LEMark) + Stringutility::UnicodeToUTF16LE(text).bytes;
    case TIniEncoding::Utf16BE:
        return std::string(Utf16BEMark) + Stringutility::UnicodeToUTF16BE(text).bytes;
    case TIniEncoding::ShiftJis: {
        RawByteString sjis = TStringUtility::EncodeString(text, ShiftJisCodePage);
        // Characters outside the code page would turn into "?", and bytes
        // that happen to be valid UTF-8 would be read back as UTF-8.
        if (TStringUtility::DecodeString(sjis, ShiftJisCodePage) == text &&
            (!IsValidUtf8(sjis.bytes) || Utf8ToUtf16(sjis.bytes) == text))
            return std::move(sjis.bytes);
        return Encode(text, TIniEncoding::Utf8Bom);
    }
    }
    return Utf16ToUtf8(text);
}

} // namespace TIniFileIO
