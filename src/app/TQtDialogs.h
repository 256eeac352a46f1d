#pragma once

// Every modal box and file dialog the windows show, in one place, so that
// tests can answer them through DialogHook() instead of waiting on a real one.
// Also the text conversions between the core's UTF-16 strings and QString.

#include <functional>
#include <optional>

#include <QString>

#include "app/TMainWindowView.h"

class QWidget;

QString ToQString(const UnicodeString& text);
UnicodeString FromQString(const QString& text);

// The charset lists' items, in the order of the charset numbers.
QStringList CharsetNames();

// "text|pattern;pattern|..." to Qt's filter list: "text(pattern pattern)".
QStringList QtNameFilters(const UnicodeString& filter);

// Stand-ins for the real boxes and dialogs; an empty member means "show the
// real one".
struct TDialogHook {
    std::function<void(const QString& text)> Warning;
    std::function<TConfirmAnswer(const QString& text)> Confirm;
    std::function<std::optional<UnicodeString>(const TFileDialogOptions& options, bool save)> FileDialog;
    std::function<std::optional<TCharsetFileChoice>(const TFileDialogOptions& options, int charset)> TemplateDialog;
    std::function<std::optional<UnicodeString>(const QString& caption)> FolderDialog;
};
TDialogHook& DialogHook();

// A warning box with one OK button.
void ShowWarningBox(QWidget* parent, const QString& text);
// A confirmation box with Yes, No and Cancel.
TConfirmAnswer AskYesNoCancel(QWidget* parent, const QString& text);
// "Not available yet" for commands whose windows do not exist yet.
void ShowNotAvailableBox(QWidget* parent, const QString& command);

std::optional<UnicodeString> RunFileDialog(QWidget* parent, const TFileDialogOptions& options, bool save);
// An open dialog with an added charset list (Shift_JIS, UTF-8, EUC-JP).
std::optional<TCharsetFileChoice> RunTemplateDialog(QWidget* parent, const TFileDialogOptions& options, int charset);
// Starts in `start` when it is given.
std::optional<UnicodeString> RunFolderDialog(QWidget* parent, const QString& caption, const QString& start = {});
