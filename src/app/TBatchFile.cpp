#include "app/TBatchFile.h"

#include <filesystem>

#include "text/Exception.h"
#include "text/TAtomicFile.h"

namespace fs = std::filesystem;

namespace {

UnicodeString Absolute(const UnicodeString& path)
{
    if (path.empty())
        return path;
    std::error_code ec;
    const fs::path absolute = fs::absolute(ToPath(path), ec);
    return ec ? path : FromPath(absolute);
}

// A shell word carries any byte but NUL, and a lone surrogate that stands for
// no byte would be written as another character: the line would name
// another file.
bool ShellCanCarry(const UnicodeString& text)
{
    return text.find(u'\0') == UnicodeString::npos && FromNative(ToNative(text)) == text;
}

void CheckField(const UnicodeString& text, const char16_t* label)
{
    if (!ShellCanCarry(text))
        throw Exception(UnicodeString(label) + u"に、バッチファイルに書けない文字(NUL など)があります。");
}

} // namespace

namespace TBatchFile {

std::string MakeScript(const TProject& project, const UnicodeString& programPath)
{
    CheckField(project.TemplateFilePath, u"テンプレートファイルの場所");
    CheckField(project.ExcelFilePath, u"Excelファイルの場所");
    CheckField(project.HtmlSavePath, u"HTMLファイルの保存場所");
    CheckField(programPath, u"プログラムの場所");
    TProject absolute = project;
    absolute.TemplateFilePath = Absolute(project.TemplateFilePath);
    absolute.ExcelFilePath = Absolute(project.ExcelFilePath);
    absolute.HtmlSavePath = Absolute(project.HtmlSavePath);
    // Paths go back to the bytes they came from, so names that are not UTF-8 still run.
    return "#!/bin/sh\n" + ToNative(absolute.MakeBatchCommandLine(Absolute(programPath))) + "\n";
}

void Write(const UnicodeString& path, const TProject& project, const UnicodeString& programPath)
{
    TAtomicFile::Write(path, MakeScript(project, programPath), 0777);
    // A file that existed keeps its bits through the write; it must run all the same.
    std::error_code ec;
    const fs::perms perms = fs::status(ToPath(path), ec).permissions();
    if (ec)
        return;
    fs::perms run = fs::perms::owner_exec;
    if ((perms & fs::perms::group_read) != fs::perms::none)
        run |= fs::perms::group_exec;
    if ((perms & fs::perms::others_read) != fs::perms::none)
        run |= fs::perms::others_exec;
    fs::permissions(ToPath(path), run, fs::perm_options::add, ec);
}

} // namespace TBatchFile
