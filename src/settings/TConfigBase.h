#pragma once

#include <unordered_set>
#include <vector>

#include "settings/TWindowGeometry.h"
#include "text/UnicodeString.h"

class TIniFile;

// Per-user settings: window bounds, start-up switches, last project and the
// reopen history.
class TConfigBase {
public:
    TConfigBase() = default;
    virtual ~TConfigBase() = default;

    // Creates the folder when needed; when it cannot, shows the warning
    // through `SetWarning`'s receiver (or raises it as an Exception when none
    // is set) and writes nothing.
    virtual void SaveToFile(const UnicodeString& path);
    virtual void LoadFromFile(const UnicodeString& path);
    // Moves `path` to the head, dropping entries equal to it in any letter case.
    virtual void AddHistory(const UnicodeString& path);
    virtual void RestoreFormBounds(TWindowGeometry& window) const;
    virtual void StoreFormBounds(TWindowGeometry& window);
    // The entry at `index`, or "" when there is none or its file is gone (the
    // entry is then dropped).
    virtual UnicodeString GetHistory(int index);
    virtual int DefaultWidth() const { return 800; }
    virtual int DefaultHeight() const { return 600; }
    virtual void SaveExtra(TIniFile& ini);
    virtual void LoadExtra(const TIniFile& ini);

    int GetWindowState() const { return windowState_; }
    // Anything but 0, 1 or 2 becomes 0.
    void SetWindowState(int state);

    const std::vector<UnicodeString>& History() const { return history_; }
    int HistoryCount() const { return static_cast<int>(history_.size()); }
    void ClearHistory() { history_.clear(); }

    void SetWarning(TConfigWarning* warning) { warning_ = warning; }

    bool WindowPositionRestore = false;
    int WindowPositionLeft = 0;
    int WindowPositionTop = 0;
    int WindowPositionRight = 800;   // the width
    int WindowPositionBottom = 600;  // the height
    bool ProjectFileRestore = false;
    UnicodeString LastProjectFile;
    bool InTaskTray = false;

private:
    bool EnsureFolder(const UnicodeString& path);
    std::vector<UnicodeString> MergedHistory(const std::vector<UnicodeString>& inFile) const;

    int windowState_ = 0;
    std::vector<UnicodeString> history_;
    // Case-folded entries this window has held (loaded or added): one of
    // these missing from history_ was dropped here; any other entry in the
    // file came from another window and is kept on saving.
    std::unordered_set<UnicodeString> known_;
    TConfigWarning* warning_ = nullptr;
};
