#include "settings/TConfigBase.h"

#include <algorithm>
#include <filesystem>

#include "text/TCommaText.h"
#include "settings/TIniFile.h"
#include "text/TSameText.h"
#include "text/Exception.h"

namespace fs = std::filesystem;

namespace {

constexpr char16_t Startup[] = u"STARTUP";
constexpr char16_t FolderFailed[] = u"設定ファイルを保存するためのフォルダの作成に失敗しました。";

bool HasLineBreak(const UnicodeString& text)
{
    return text.find_first_of(u"\r\n") != UnicodeString::npos;
}

// Entries with a line break cannot be stored in an ini line; they stay in
// memory but are left out of the file.
std::vector<UnicodeString> StorableHistory(const std::vector<UnicodeString>& history)
{
    std::vector<UnicodeString> out;
    out.reserve(history.size());
    for (const auto& entry : history)
        if (!HasLineBreak(entry))
            out.push_back(entry);
    return out;
}

} // namespace

void TConfigBase::SetWindowState(int state)
{
    windowState_ = static_cast<unsigned>(state) <= 2u ? state : 0;
}

bool TConfigBase::EnsureFolder(const UnicodeString& path)
{
    const fs::path folder = ToPath(path).parent_path();
    if (folder.empty())
        return true;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

void TConfigBase::SaveToFile(const UnicodeString& path)
{
    if (!EnsureFolder(path)) {
        if (!warning_)
            throw Exception(FolderFailed);
        warning_->ShowWarning(FolderFailed);
        return;
    }
    TIniFile ini = TIniFile::FromFile(path);
    ini.WriteInteger(u"SYSTEM", u"Version", 0);
    ini.WriteBool(Startup, u"WindowPositionRestore", WindowPositionRestore);
    ini.WriteInteger(Startup, u"WindowPositionLeft", WindowPositionLeft);
    ini.WriteInteger(Startup, u"WindowPositionRight", WindowPositionRight);
    ini.WriteInteger(Startup, u"WindowPositionTop", WindowPositionTop);
    ini.WriteInteger(Startup, u"WindowPositionBottom", WindowPositionBottom);
    ini.WriteInteger(Startup, u"WindowState", windowState_);
    const auto inFile = TCommaText::Split(ini.ReadString(Startup, u"HISTORY", u""));
    ini.WriteString(Startup, u"HISTORY", TCommaText::Join(StorableHistory(MergedHistory(inFile))));
    ini.WriteBool(Startup, u"ProjectFileRestore", ProjectFileRestore);
    ini.WriteString(Startup, u"LastProjectFile", HasLineBreak(LastProjectFile) ? UnicodeString() : LastProjectFile);
    ini.WriteBool(Startup, u"InTaskTray", InTaskTray);
    SaveExtra(ini);
    ini.SaveToFile(path);
}

void TConfigBase::LoadFromFile(const UnicodeString& path)
{
    const TIniFile ini = TIniFile::FromFile(path);
    WindowPositionRestore = ini.ReadBool(Startup, u"WindowPositionRestore", false);
    WindowPositionLeft = ini.ReadInteger(Startup, u"WindowPositionLeft", 0);
    WindowPositionRight = ini.ReadInteger(Startup, u"WindowPositionRight", DefaultWidth());
    WindowPositionTop = ini.ReadInteger(Startup, u"WindowPositionTop", 0);
    WindowPositionBottom = ini.ReadInteger(Startup, u"WindowPositionBottom", DefaultHeight());
    SetWindowState(ini.ReadInteger(Startup, u"WindowState", 0));
    history_ = TCommaText::Split(ini.ReadString(Startup, u"HISTORY", u""));
    known_.clear();
    for (const auto& entry : history_)
        known_.insert(FoldCase(entry));
    ProjectFileRestore = ini.ReadBool(Startup, u"ProjectFileRestore", false);
    LastProjectFile = ini.ReadString(Startup, u"LastProjectFile", u"");
    InTaskTray = ini.ReadBool(Startup, u"InTaskTray", false);
    LoadExtra(ini);
}

void TConfigBase::AddHistory(const UnicodeString& path)
{
    std::erase_if(history_, [&](const UnicodeString& entry) { return SameText(entry, path); });
    history_.insert(history_.begin(), path);
    known_.insert(FoldCase(path));
}

// Another window may have saved since this one loaded: its new entries follow
// this window's own, so closing one window does not lose the other's.
std::vector<UnicodeString> TConfigBase::MergedHistory(const std::vector<UnicodeString>& inFile) const
{
    std::vector<UnicodeString> merged = history_;
    std::unordered_set<UnicodeString> taken;
    for (const auto& entry : history_)
        taken.insert(FoldCase(entry));
    for (const auto& entry : inFile) {
        const UnicodeString key = FoldCase(entry);
        if (!known_.contains(key) && taken.insert(key).second)
            merged.push_back(entry);
    }
    return merged;
}

void TConfigBase::RestoreFormBounds(TWindowGeometry& window) const
{
    if (!WindowPositionRestore)
        return;
    // Bounds saved on a monitor that is gone, or at another scale, could put
    // the window where nobody can reach it.
    const std::vector<TWindowRect> areas = window.AvailableAreas();
    if (areas.empty()) {
        window.SetBounds(WindowPositionLeft, WindowPositionTop, WindowPositionRight, WindowPositionBottom);
    } else {
        const TWindowRect shown =
            KeepInside(WindowPositionLeft, WindowPositionTop, WindowPositionRight, WindowPositionBottom, areas);
        window.SetBounds(shown.Left, shown.Top, shown.Right - shown.Left, shown.Bottom - shown.Top);
    }
    window.SetState(static_cast<TWindowGeometry::State>(windowState_));
}

void TConfigBase::StoreFormBounds(TWindowGeometry& window)
{
    const int state = window.GetState();
    SetWindowState(state);
    TWindowRect rect;
    if (const auto normal = window.GetNormalRect()) {
        rect = *normal;
    } else {
        window.SetState(TWindowGeometry::wsNormal);
        window.Hide();
        SetWindowState(state);
        rect = window.GetRect();
    }
    WindowPositionLeft = rect.Left;
    WindowPositionTop = rect.Top;
    WindowPositionRight = rect.Right - rect.Left;
    WindowPositionBottom = rect.Bottom - rect.Top;
}

UnicodeString TConfigBase::GetHistory(int index)
{
    if (index < 0 || index >= HistoryCount())
        return {};
    const UnicodeString entry = history_[static_cast<std::size_t>(index)];
    std::error_code ec;
    const fs::path file = ToPath(entry);
    // A NUL would make the test look at a shorter, different name.
    const bool hasNul = entry.find(u'\0') != UnicodeString::npos;
    if (!hasNul && fs::exists(file, ec) && !fs::is_directory(file, ec))
        return entry;
    const auto found = std::find_if(history_.begin(), history_.end(),
                                    [&](const UnicodeString& e) { return SameText(e, entry); });
    if (found != history_.end())
        history_.erase(found);
    return {};
}

void TConfigBase::SaveExtra(TIniFile&)
{
}

void TConfigBase::LoadExtra(const TIniFile&)
{
}
