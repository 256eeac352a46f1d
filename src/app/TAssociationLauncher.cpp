#include "app/TAssociationLauncher.h"

#include <cstring>
#include <filesystem>

#include "settings/TIniFile.h"
#include "shell/TChildProcess.h"
#include "text/TTempFile.h"

namespace {

UnicodeString AssociationToolPath(const UnicodeString& programPath)
{
    UnicodeString folder = FromPath(ToPath(programPath).parent_path());
    if (folder.empty() || folder.back() != u'/')
        folder += u'/';
    return folder + u"velmora";
}

UnicodeString Trimmed(const std::string& text)
{
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return Utf8ToUtf16(end == std::string::npos ? std::string() : text.substr(0, end + 1));
}

void WriteAndRun(TAssociationHost& owner, const TIniFile& task)
{
    const TTempFile file;
    task.SaveToFile(file.FileName());
    RunAssociationTool(file.FileName(), owner);
}

} // namespace

UnicodeString OpenCommandFor(const UnicodeString& programPath)
{
    return u"\"" + programPath + u"\" \"%1\"";
}

void RegisterExtension(TAssociationHost& owner, const UnicodeString& extension, const UnicodeString& openCommand,
                       const UnicodeString& fileType, const UnicodeString& iconFile, int iconIndex)
{
    TIniFile task;
    task.WriteString(u"EXT", u"EXT", extension);
    task.WriteInteger(u"TASK", u"CLOSE", 1);
    task.WriteString(u"EXT", u"COMMAND", openCommand);
    task.WriteString(u"EXT", u"FILE_TYPE", fileType);
    task.WriteString(u"EXT", u"ICON_FILE", iconFile);
    task.WriteInteger(u"EXT", u"ICON_INDEX", iconIndex);
    task.WriteInteger(u"TASK", u"COMMAND", 1);
    WriteAndRun(owner, task);
}

void UnregisterExtension(TAssociationHost& owner, const UnicodeString& extension)
{
    TIniFile task;
    task.WriteString(u"EXT", u"EXT", extension);
    task.WriteInteger(u"TASK", u"CLOSE", 1);
    task.WriteInteger(u"TASK", u"COMMAND", 2);
    WriteAndRun(owner, task);
}

void RunAssociationTool(const UnicodeString& taskFilePath, TAssociationHost& owner)
{
    const UnicodeString tool = AssociationToolPath(owner.ProgramPath());
    TChildProcessRequest request;
    request.argv = {ToPath(tool).string(), ToPath(taskFilePath).string()};
    const TChildProcessResult result = RunChildProcess(request);
    if (!result.started) {
        owner.ShowWarning(u"関連付けツール \"" + tool + u"\" を起動できません。"
                          + Utf8ToUtf16(std::strerror(result.startErrno)));
        return;
    }
    if (result.exitStatus == 0)
        return;
    const UnicodeString message = Trimmed(result.err);
    owner.ShowWarning(!message.empty()
                          ? message
                          : u"関連付けツールがエラーで終了しました。(終了コード " + Utf8ToUtf16(std::to_string(result.exitStatus)) + u")");
}
