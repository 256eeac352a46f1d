#pragma once

// The main window without its toolkit: the project it shows and its baseline
// for the unsaved-changes question, the current project file, the settings
// with the reopen history, start-up, closing, input selection, making pages
// and the batch file. It owns the settings; the view (TFormMain or a test's
// fake) owns the controls and is borrowed for the logic's whole life.

#include <vector>

#include "app/TMainWindowView.h"
#include "settings/TConfig.h"
#include "settings/TProject.h"
#include "text/UnicodeString.h"

class TMainWindowLogic {
public:
    // Loads the settings from `configPath` and shows the empty project.
    TMainWindowLogic(TMainWindowView& view, UnicodeString configPath);

    void ProjectToForm(const TProject& project);
    TProject FormToProject() const;
    void SetFileName(const UnicodeString& path);
    void OpenProjectFile(const UnicodeString& path);
    void SaveProjectFile(const TProject& project, const UnicodeString& path);

    // The start-up step, run once when the window is first idle. `args` is
    // the command line without the program name.
    void StartupIdle(const std::vector<UnicodeString>& args, TWindowGeometry& window);

    void ActionFileNew();
    void ActionFileOpen();
    void ActionFileSave();
    void ActionFileSaveAs();
    void ActionFileMakeBatFile();
    void ActionTemplateFileSelect();
    void ActionExcelFileSelect();
    void ActionSaveDirSelect();
    void ActionMakeHtmlFile();
    // The preview of one page, once the template and workbook are found.
    void ActionPreview();
    // テンプレートの検査: the job's inputs checked without writing a page.
    void ActionCheckTemplate();

    // Captions of the reopen submenu, newest first: "&0.path", "&1.path", ...
    std::vector<UnicodeString> ReopenCaptions() const;
    // The captions of entries `first` to `first + count - 1` (fewer at the
    // end), so a long history can be shown a part at a time.
    std::vector<UnicodeString> ReopenCaptions(std::size_t first, std::size_t count) const;
    void ReopenHistory(int index);

    // The close question; false when the window is to stay open, which
    // includes a はい whose save was cancelled or failed.
    bool CloseQuery();
    // Tells the view whether the fields differ from the saved project; the
    // window calls it whenever a field changes.
    void UpdateModified();
    // Records the bounds and the current file, then writes the settings.
    void Closing(TWindowGeometry& window);

    void ApplicationMinimized();
    void TrayIconClicked();
    void WindowShown();

    // 0 unless -a was given and its pages were not made.
    int ExitCode() const { return autoRun_ && !pagesMade_ ? 1 : 0; }

    TConfig& Config() { return config_; }
    // The settings file the window reads at start and writes when it closes.
    const UnicodeString& ConfigPath() const { return configPath_; }
    const TProject& SavedProject() const { return savedProject_; }
    const UnicodeString& FileName() const { return fileName_; }
    bool AutoRun() const { return autoRun_; }

private:
    void ReportFailure(const UnicodeString& message);
    // False when the dialog was cancelled or the write failed.
    bool Save();
    bool SaveAs();
    bool WriteProjectFile(const TProject& project, const UnicodeString& path);
    bool SaveBeforeClosing();
    void OpenStartupArgument(const UnicodeString& path);
    bool CheckBatchFields();

    TMainWindowView& view_;
    UnicodeString configPath_;
    TConfig config_;
    TProject savedProject_{u"", 0, u"", u"", 0};
    UnicodeString fileName_;
    bool autoRun_ = false;
    bool pagesMade_ = false;
};
