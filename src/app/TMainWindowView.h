#pragma once

// The platform operations the main window's logic (TMainWindowLogic) needs:
// fields, boxes, dialogs, the window itself and the progress window. TFormMain
// implements them with Qt; the tests implement them with a fake.

#include <optional>
#include <vector>

#include "app/TCursorHourGlass.h"
#include "settings/TWindowGeometry.h"
#include "text/UnicodeString.h"

class TTabloomMaker;
class TProject;

enum class TMainEdit { TemplateFilePath, ExcelFilePath, SaveDirPath };
enum class TMainList { TemplateFileCharset, HtmlFileCharset };
enum class TConfirmAnswer { Yes, No, Cancel };

// A file dialog: filter in "text|pattern|text|pattern" form, default
// extension with its dot.
struct TFileDialogOptions {
    UnicodeString FileName;
    UnicodeString Filter;
    UnicodeString DefaultExt;
    bool OverwritePrompt = false;
    // Where the dialog starts when FileName names no folder; "" for the default.
    UnicodeString Folder;
};

// What the template dialog returns: the file and the charset chosen with it.
struct TCharsetFileChoice {
    UnicodeString FileName;
    int Charset = 0;
};

class TMainWindowView : public TBusyCursor, public TConfigWarning {
public:
    virtual UnicodeString GetEditText(TMainEdit edit) const = 0;
    virtual void SetEditText(TMainEdit edit, const UnicodeString& text) = 0;
    // -1 when the list has no selection; setting a number outside the list
    // leaves it without one.
    virtual int GetListIndex(TMainList list) const = 0;
    virtual void SetListIndex(TMainList list, int index) = 0;
    virtual void FocusEdit(TMainEdit edit) = 0;

    virtual void SetCaption(const UnicodeString& caption) = 0;
    // Marks the caption when the fields hold unsaved changes; the caption
    // itself stays as SetCaption gave it.
    virtual void SetModified(bool /*modified*/) {}
    virtual void SetStatusText(const UnicodeString& text) = 0;
    // ShowWarning (a box with one OK button) comes from TConfigWarning.
    virtual TConfirmAnswer ConfirmYesNoCancel(const UnicodeString& text) = 0;

    virtual std::optional<UnicodeString> OpenFileDialog(const TFileDialogOptions& options) = 0;
    virtual std::optional<UnicodeString> SaveFileDialog(const TFileDialogOptions& options) = 0;
    virtual std::optional<TCharsetFileChoice> OpenTemplateDialog(const TFileDialogOptions& options, int charset) = 0;
    // A folder picker that offers a button for a new folder.
    virtual std::optional<UnicodeString> SelectFolder(const UnicodeString& caption) = 0;
    // The same picker starting in `start` (the folder chosen last time).
    virtual std::optional<UnicodeString> SelectFolderFrom(const UnicodeString& caption, const UnicodeString& /*start*/)
    {
        return SelectFolder(caption);
    }

    // Shows the progress window modally with a copy of `job`'s inputs; true
    // when the pages were made.
    virtual bool RunProgressWindow(const TTabloomMaker& job, bool autoClose) = 0;
    // Shows the findings of a template check, one a line, in a list window
    // that stays open beside the main window.
    virtual void ShowCheckFindings(const std::vector<UnicodeString>& lines) { (void)lines; }

    // Shows the non-modal preview window on these inputs, keeping its
    // position when the template and workbook are those it shows already.
    virtual void ShowPreviewWindow(const TProject& /*project*/) {}

    virtual void CloseWindow() = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    // Restores the application from minimized and brings it to the front.
    virtual void RestoreAndBringToFront() = 0;
    virtual bool TrayAvailable() const = 0;
    virtual void ShowTrayIcon(bool visible) = 0;

    virtual UnicodeString ApplicationTitle() const = 0;
    virtual UnicodeString ProgramPath() const = 0;
};
