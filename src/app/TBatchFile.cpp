#include "app/TBatchFile.h"

#include <filesystem>

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

} // namespace

namespace TBatchFile {

std::string MakeScript(const TProject& project, const UnicodeString& programPath)
{
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
