#include "TVelmora.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "TFreedesktopFiles.h"
#include "TMimeAppsList.h"
#include "shell/TChildProcess.h"
#include "shell/TProgramFiles.h"
#include "text/Exception.h"
#include "text/TAtomicFile.h"
#include "text/TFileUtility.h"

namespace fs = std::filesystem;

namespace {

const char* const IconSizes[] = {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"};

struct TIconFile {
    fs::path source;
    std::string sizeFolder;  // "48x48" or "scalable"
};

UnicodeString AbsoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return UnicodeString();
    return FromPath(fs::path(value));
}

UnicodeString HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return FromPath(fs::path(home));
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return FromPath(fs::path(entry->pw_dir));
    return UnicodeString();
}

fs::path MimePackagePath(const TXdgFolders& f)
{
    return ToPath(f.dataHome) / "mime" / "packages" / (std::string(AssociationName) + ".xml");
}

fs::path DesktopEntryPath(const TXdgFolders& f)
{
    return ToPath(f.dataHome) / "applications" / (std::string(AssociationName) + ".desktop");
}

fs::path MimeAppsPath(const TXdgFolders& f)
{
    return ToPath(f.configHome) / "mimeapps.list";
}

fs::path IconPath(const TXdgFolders& f, const TIconFile& icon)
{
    return ToPath(f.dataHome) / "icons" / "hicolor" / icon.sizeFolder / "mimetypes"
        / (std::string(AssociationName) + icon.source.extension().string());
}

std::string ReadBytes(const fs::path& path)
{
    return TFileUtility::LoadFileBytes(FromPath(path)).bytes;
}

void MakeParentFolder(const fs::path& path)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec)
        throw Exception(u"フォルダ \"" + FromPath(path.parent_path()) + u"\" を作成できません。"
                        + Utf8ToUtf16(ec.message()));
}

// velmora's own files: a link planted at the name is replaced, never written
// through.
void WriteOwnFile(const fs::path& path, const std::string& bytes)
{
    MakeParentFolder(path);
    TAtomicFile::WriteOwnFile(FromPath(path), bytes, 0644);
}

// A file of the user's (mimeapps.list): a link is kept and its file edited.
void WriteUserFile(const fs::path& path, const std::string& bytes)
{
    MakeParentFolder(path);
    TAtomicFile::Write(FromPath(path), bytes, 0644);
}

bool IsPlainFile(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() == fs::file_type::regular;
}

void RemoveFile(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
    if (ec)
        throw Exception(u"ファイル \"" + FromPath(path) + u"\" を削除できません。" + Utf8ToUtf16(ec.message()));
}

// velmora creates only regular files, so anything else at one of its names
// (a link someone planted) is not its to remove.
void RemoveOwnFile(const fs::path& path)
{
    if (IsPlainFile(path))
        RemoveFile(path);
}

// Width of a PNG from its header, as the theme folder name ("48x48").
std::string PngSizeFolder(const fs::path& png)
{
    const std::string bytes = ReadBytes(png);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return std::string();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])); };
    const unsigned width = (byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19);
    if (width == 0 || width > 1024)
        return std::string();
    return std::to_string(width) + "x" + std::to_string(width);
}

// An image named directly, or tabloom's own icons shipped next to the program.
std::vector<TIconFile> IconSources(const UnicodeString& iconFile)
{
    std::vector<TIconFile> icons;
    if (iconFile.empty())
        return icons;
    const fs::path path = ToPath(iconFile);
    std::error_code ec;
    if (path.extension() == ".svg" && fs::is_regular_file(path, ec))
        return {{path, "scalable"}};
    if (path.extension() == ".png" && fs::is_regular_file(path, ec)) {
        const std::string folder = PngSizeFolder(path);
        if (!folder.empty())
            icons.push_back({path, folder});
        return icons;
    }
    for (const char* size : IconSizes) {
        const UnicodeString found = FindSharedFile(iconFile, u"icons/hicolor/" + Utf8ToUtf16(size) + u"/apps/tabloom.png");
        if (!found.empty())
            icons.push_back({ToPath(found), size});
    }
    const UnicodeString svg = FindSharedFile(iconFile, u"icons/hicolor/scalable/apps/tabloom.svg");
    if (!svg.empty())
        icons.push_back({ToPath(svg), "scalable"});
    return icons;
}

void RemoveIcons(const TXdgFolders& f)
{
    const fs::path theme = ToPath(f.dataHome) / "icons" / "hicolor";
    std::error_code ec;
    if (!fs::is_directory(theme, ec))
        return;
    for (const fs::directory_entry& size : fs::directory_iterator(theme, ec)) {
        for (const char* ext : {".png", ".svg"}) {
            const fs::path icon = size.path() / "mimetypes" / (std::string(AssociationName) + ext);
            RemoveOwnFile(icon);
        }
    }
}

void UpdateMimeApps(const TXdgFolders& f, bool add)
{
    const fs::path path = MimeAppsPath(f);
    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    if (!exists && !add)
        return;
    const std::string before = exists ? ReadBytes(path) : std::string();
    const std::string desktopId = std::string(AssociationName) + ".desktop";
    const std::string after = add ? WithDefaultApplication(before, MimeTypeName, desktopId)
                                  : WithoutDefaultApplication(before, MimeTypeName, desktopId);
    if (exists && after == before)
        return;
    // A linked list (dotfile managers keep it so) stays, even when empty.
    if (after.empty() && IsPlainFile(path))
        RemoveFile(path);
    else
        WriteUserFile(path, after);
}

// Runs a database tool over `folder` when both exist; a tool that is not
// installed is passed over (false), one that fails is reported.
bool RunUpdateTool(const char* tool, const fs::path& folder)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return false;
    TChildProcessRequest request;
    request.argv = {tool, folder.string()};
    request.searchPath = true;
    const TChildProcessResult result = RunChildProcess(request);
    if (!result.started)
        return false;
    if (result.exitStatus != 0)
        throw Exception(Utf8ToUtf16(tool) + u" が失敗しました。" + Utf8ToUtf16(result.err));
    return true;
}

// update-mime-database skips a package it cannot read and still succeeds, so
// the type's own file in the database is what shows it was taken.
void CheckTypeRegistered(const TXdgFolders& f)
{
    const fs::path typeFile = ToPath(f.dataHome) / "mime" / (std::string(MimeTypeName) + ".xml");
    std::error_code ec;
    if (!fs::is_regular_file(typeFile, ec))
        throw Exception(u"ファイルの種類 " + Utf8ToUtf16(MimeTypeName) + u" をデスクトップに登録できませんでした。");
}

void UpdateDatabases(const TXdgFolders& f, bool registering)
{
    if (RunUpdateTool("update-mime-database", ToPath(f.dataHome) / "mime") && registering)
        CheckTypeRegistered(f);
    RunUpdateTool("update-desktop-database", ToPath(f.dataHome) / "applications");
}

} // namespace

TXdgFolders UserXdgFolders()
{
    TXdgFolders folders{AbsoluteVariable("XDG_DATA_HOME"), AbsoluteVariable("XDG_CONFIG_HOME")};
    if (folders.dataHome.empty() || folders.configHome.empty()) {
        const UnicodeString home = HomeFolder();
        if (home.empty())
            throw Exception(u"ホームフォルダが見つかりません。");
        if (folders.dataHome.empty())
            folders.dataHome = FromPath(ToPath(home) / ".local" / "share");
        if (folders.configHome.empty())
            folders.configHome = FromPath(ToPath(home) / ".config");
    }
    return folders;
}

void RegisterAssociation(const TVelmoraTask& task, const TXdgFolders& folders)
{
    const std::vector<TIconFile> icons = IconSources(task.iconFile);
    const bool withIcon = !icons.empty();
    WriteOwnFile(MimePackagePath(folders), MimePackageXml(task.ext, task.fileType, withIcon));
    RemoveIcons(folders);
    for (const TIconFile& icon : icons)
        WriteOwnFile(IconPath(folders, icon), ReadBytes(icon.source));
    WriteOwnFile(DesktopEntryPath(folders), DesktopEntryText(task.program, withIcon));
    UpdateMimeApps(folders, true);
    UpdateDatabases(folders, true);
}

void UnregisterAssociation(const TXdgFolders& folders)
{
    RemoveOwnFile(MimePackagePath(folders));
    RemoveIcons(folders);
    RemoveOwnFile(DesktopEntryPath(folders));
    UpdateMimeApps(folders, false);
    UpdateDatabases(folders, false);
}

int RunVelmora(int argc, char** argv, std::ostream& err)
{
    if (argc != 2) {
        err << "使い方: velmora タスクファイル\n";
        return 1;
    }
    try {
        const TVelmoraTask task = ReadVelmoraTask(FromPath(fs::path(argv[1])));
        const TXdgFolders folders = UserXdgFolders();
        if (task.command == TVelmoraCommand::Register)
            RegisterAssociation(task, folders);
        else
            UnregisterAssociation(folders);
        return 0;
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
}
