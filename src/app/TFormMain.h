#pragma once

// The main window: the five job inputs, the menus and the status bar. It
// implements the platform operations of TMainWindowView with Qt and hands
// every command to its TMainWindowLogic, which owns the settings.

#include <memory>
#include <vector>

#include <QMainWindow>

#include "app/TMainWindowLogic.h"
#include "app/TMainWindowView.h"
#include "app/TQtWindowGeometry.h"

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class TFormPreview;
class TFormCheckList;

class TFormMain : public QMainWindow, public TMainWindowView {
public:
    // `args` is the command line without the program name; the settings
    // file is `configPath`.
    TFormMain(std::vector<UnicodeString> args, const UnicodeString& configPath);
    ~TFormMain() override;

    TMainWindowLogic& Logic() { return *logic_; }

    // TMainWindowView
    UnicodeString GetEditText(TMainEdit edit) const override;
    void SetEditText(TMainEdit edit, const UnicodeString& text) override;
    int GetListIndex(TMainList list) const override;
    void SetListIndex(TMainList list, int index) override;
    void FocusEdit(TMainEdit edit) override;
    void SetCaption(const UnicodeString& caption) override;
    void SetModified(bool modified) override;
    void SetStatusText(const UnicodeString& text) override;
    void ShowWarning(const UnicodeString& message) override;
    TConfirmAnswer ConfirmYesNoCancel(const UnicodeString& text) override;
    std::optional<UnicodeString> OpenFileDialog(const TFileDialogOptions& options) override;
    std::optional<UnicodeString> SaveFileDialog(const TFileDialogOptions& options) override;
    std::optional<TCharsetFileChoice> OpenTemplateDialog(const TFileDialogOptions& options, int charset) override;
    std::optional<UnicodeString> SelectFolder(const UnicodeString& caption) override;
    std::optional<UnicodeString> SelectFolderFrom(const UnicodeString& caption, const UnicodeString& start) override;
    bool RunProgressWindow(const TTabloomMaker& job, bool autoClose) override;
    void ShowPreviewWindow(const TProject& project) override;
    void ShowCheckFindings(const std::vector<UnicodeString>& lines) override;
    void CloseWindow() override;
    void ShowWindow() override;
    void HideWindow() override;
    void RestoreAndBringToFront() override;
    bool TrayAvailable() const override;
    void ShowTrayIcon(bool visible) override;
    UnicodeString ApplicationTitle() const override;
    UnicodeString ProgramPath() const override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;

    // The commands of the settings dialog, the help and the about box
    // (TFormMainCommands.cpp).
    void ActionConfigGeneralExecute();
    void ActionHelpShowExecute();
    void ActionHelpVersionExecute();
    void HelpContextF1();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void AcceptFileDrops();
    void BuildMenus();
    QAction* AddAction(const char* name, const QString& text, const QKeySequence& shortcut = {});
    void WatchFields();
    void RebuildReopenMenu();
    // Adds the history entries from `first` on, up to one chunk, to `menu`.
    void FillReopenMenu(QMenu* menu, int first);
    void ShowCaption();
    QLineEdit* Edit(TMainEdit edit) const;
    QComboBox* List(TMainList list) const;

    std::vector<UnicodeString> args_;
    QLineEdit* editTemplateFilePath_ = nullptr;
    QLineEdit* editExcelFilePath_ = nullptr;
    QLineEdit* editSaveDirPath_ = nullptr;
    QComboBox* comboTemplateCharset_ = nullptr;
    QComboBox* comboHtmlCharset_ = nullptr;
    QAction* reopenAction_ = nullptr;
    QMenu* menuFileReOpen_ = nullptr;
    QSystemTrayIcon* trayIcon_ = nullptr;
    TFormPreview* preview_ = nullptr;  // made when first shown; a child window
    TFormCheckList* checkList_ = nullptr;  // made at the first check
    TQtWindowGeometry geometry_{*this};
    bool started_ = false;
    QString caption_;
    bool modified_ = false;
    // Made once the controls exist: its constructor already fills them.
    std::unique_ptr<TMainWindowLogic> logic_;
};
