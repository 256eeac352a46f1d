#include "TVelmoraTask.h"

#include <filesystem>
#include <system_error>

#include "settings/TIniFile.h"
#include "text/Exception.h"

namespace {

bool EndsWith(const UnicodeString& text, std::u16string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Control characters cannot stand in a desktop entry, and a path that is not
// valid UTF-8 (carried as lone surrogates) cannot be written into one.
bool IsWritablePath(const UnicodeString& text)
{
    for (char16_t c : text)
        if (c < 0x20 || c == 0x7F)
            return false;
    return Utf8ToUtf16(Utf16ToUtf8(text)) == text;
}

// Letters, digits and a few marks only: the extension ends up in a glob
// pattern and in file contents.
bool IsSafeExtension(const UnicodeString& ext)
{
    if (ext.size() < 2 || ext.size() > 32 || ext[0] != u'.')
        return false;
    for (std::size_t i = 1; i < ext.size(); ++i) {
        const char16_t c = ext[i];
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'_' || c == u'-' || c == u'+';
        if (!ok)
            return false;
    }
    return true;
}

// Text that can stand in the MIME package's XML: no control characters,
// no lone surrogates and none of the two non-characters XML forbids.
bool IsXmlText(const UnicodeString& text)
{
    for (char16_t c : text)
        if (c < 0x20 || c == 0x7F || c == 0xFFFE || c == 0xFFFF)
            return false;
    return Utf8ToUtf16(Utf16ToUtf8(text)) == text;
}

UnicodeString Shown(const UnicodeString& key, const UnicodeString& value)
{
    return u"(" + key + u"=" + value + u")";
}

TVelmoraCommand ReadCommand(const TIniFile& ini)
{
    const int command = ini.ReadInteger(u"TASK", u"COMMAND", 0);
    if (command == 1)
        return TVelmoraCommand::Register;
    if (command == 2)
        return TVelmoraCommand::Unregister;
    throw Exception(u"タスクファイルのコマンドが正しくありません。"
                    + Shown(u"COMMAND", ini.ReadString(u"TASK", u"COMMAND", u"")));
}

UnicodeString ReadExtension(const TIniFile& ini)
{
    const UnicodeString ext = ini.ReadString(u"EXT", u"EXT", u"");
    if (ext.empty())
        throw Exception(u"タスクファイルに拡張子(EXT)がありません。");
    if (!IsSafeExtension(ext))
        throw Exception(u"タスクファイルの拡張子が正しくありません。" + Shown(u"EXT", ext));
    return ext;
}

UnicodeString ReadProgram(const TIniFile& ini)
{
    const UnicodeString command = ini.ReadString(u"EXT", u"COMMAND", u"");
    if (command.empty())
        throw Exception(u"タスクファイルに開くコマンド(COMMAND)がありません。");
    const UnicodeString program = ProgramOfOpenCommand(command);
    if (program.empty() || program[0] != u'/' || !IsWritablePath(program))
        throw Exception(u"タスクファイルの開くコマンドが正しくありません。" + Shown(u"COMMAND", command));
    // The desktop's launcher looks the program up before expanding "%%", so
    // a path holding "%" can never be started from a desktop entry.
    if (program.find(u'%') != UnicodeString::npos)
        throw Exception(u"タスクファイルの開くコマンドが正しくありません。" + Shown(u"COMMAND", command)
                        + u"\nプログラムのパスに \"%\" があると、デスクトップから起動できません。");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ToPath(program), ec))
        throw Exception(u"プログラム \"" + program + u"\" が見つかりません。");
    return program;
}

UnicodeString ReadFileType(const TIniFile& ini)
{
    const UnicodeString fileType = ini.ReadString(u"EXT", u"FILE_TYPE", u"");
    if (fileType.empty())
        return u"tabloom ファイル";
    if (!IsXmlText(fileType))
        throw Exception(u"タスクファイルのファイルの種類が正しくありません。" + Shown(u"FILE_TYPE", fileType)
                        + u"\n制御文字など、ファイルの種類の説明に使えない文字があります。");
    return fileType;
}

} // namespace

UnicodeString ProgramOfOpenCommand(const UnicodeString& command)
{
    UnicodeString head;
    if (EndsWith(command, u" \"%1\""))
        head = command.substr(0, command.size() - 5);
    else if (EndsWith(command, u" %1"))
        head = command.substr(0, command.size() - 3);
    else
        return UnicodeString();
    // The program writes the path between quotes as it is, so a quote inside
    // the path is taken literally: only the outer pair groups.
    if (head.size() >= 2 && head.front() == u'"' && head.back() == u'"')
        return head.substr(1, head.size() - 2);
    if (head.find_first_of(u" \"\t") != UnicodeString::npos)
        return UnicodeString();
    return head;
}

TVelmoraTask ReadVelmoraTask(const UnicodeString& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ToPath(path), ec))
        throw Exception(u"タスクファイル \"" + path + u"\" が見つかりません。");
    const TIniFile ini = TIniFile::FromFile(path);

    TVelmoraTask task;
    task.command = ReadCommand(ini);
    task.ext = ReadExtension(ini);
    if (task.command == TVelmoraCommand::Register) {
        task.program = ReadProgram(ini);
        task.fileType = ReadFileType(ini);
        task.iconFile = ini.ReadString(u"EXT", u"ICON_FILE", u"");
    }
    return task;
}
