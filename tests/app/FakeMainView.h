#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/TMainWindowView.h"
#include "generation/TTabloomMaker.h"

// The main window's platform operations in memory: fields, captions and
// boxes are recorded; dialogs and questions take their answers from queues
// (an empty queue answers Cancel).
class FakeMainView : public TMainWindowView {
public:
    UnicodeString GetEditText(TMainEdit edit) const override { return edits.count(edit) ? edits.at(edit) : u""; }
    void SetEditText(TMainEdit edit, const UnicodeString& text) override { edits[edit] = text; }
    int GetListIndex(TMainList list) const override { return lists.count(list) ? lists.at(list) : -1; }
    void SetListIndex(TMainList list, int index) override { lists[list] = index; }
    void FocusEdit(TMainEdit edit) override { focused = edit; }
    void SetCaption(const UnicodeString& text) override { caption = text; }
    void SetModified(bool on) override { modified = on; }
    void SetStatusText(const UnicodeString& text) override { status = text; }
    void ShowWarning(const UnicodeString& message) override { warnings.push_back(message); }
    TConfirmAnswer ConfirmYesNoCancel(const UnicodeString& text) override
    {
        questions.push_back(text);
        return Take(answers, TConfirmAnswer::Cancel);
    }
    std::optional<UnicodeString> OpenFileDialog(const TFileDialogOptions& options) override
    {
        dialogs.push_back(options);
        return Take(fileAnswers, std::optional<UnicodeString>());
    }
    std::optional<UnicodeString> SaveFileDialog(const TFileDialogOptions& options) override
    {
        dialogs.push_back(options);
        return Take(fileAnswers, std::optional<UnicodeString>());
    }
    std::optional<TCharsetFileChoice> OpenTemplateDialog(const TFileDialogOptions& options, int charset) override
    {
        dialogs.push_back(options);
        templateDialogCharset = charset;
        return Take(templateAnswers, std::optional<TCharsetFileChoice>());
    }
    std::optional<UnicodeString> SelectFolder(const UnicodeString& text) override
    {
        folderCaption = text;
        return Take(fileAnswers, std::optional<UnicodeString>());
    }
    std::optional<UnicodeString> SelectFolderFrom(const UnicodeString& text, const UnicodeString& start) override
    {
        folderStart = start;
        return SelectFolder(text);
    }
    bool RunProgressWindow(const TTabloomMaker&, bool autoClose) override
    {
        progressRuns.push_back(autoClose);
        return progressResult;
    }
    void ShowCheckFindings(const std::vector<UnicodeString>& lines) override { checkLists.push_back(lines); }
    void CloseWindow() override { ++closeRequests; }
    void ShowWindow() override { visible = true; }
    void HideWindow() override { visible = false; }
    void RestoreAndBringToFront() override { ++restores; }
    bool TrayAvailable() const override { return trayAvailable; }
    void ShowTrayIcon(bool show) override { trayShown = show; }
    UnicodeString ApplicationTitle() const override { return u"tabloom"; }
    UnicodeString ProgramPath() const override { return u"/opt/tabloom/bin/tabloom"; }
    void BeginBusyCursor() override { ++busyDepth; }
    void EndBusyCursor() override { --busyDepth; }

    std::map<TMainEdit, UnicodeString> edits;
    std::map<TMainList, int> lists;
    std::optional<TMainEdit> focused;
    UnicodeString caption;
    bool modified = false;
    UnicodeString status;
    std::vector<UnicodeString> warnings;
    std::vector<UnicodeString> questions;
    std::deque<TConfirmAnswer> answers;
    std::deque<std::optional<UnicodeString>> fileAnswers;
    std::deque<std::optional<TCharsetFileChoice>> templateAnswers;
    std::vector<TFileDialogOptions> dialogs;
    int templateDialogCharset = -2;
    UnicodeString folderCaption;
    UnicodeString folderStart;
    std::vector<bool> progressRuns;
    std::vector<std::vector<UnicodeString>> checkLists;
    bool progressResult = true;
    int closeRequests = 0;
    bool visible = true;
    int restores = 0;
    bool trayAvailable = true;
    bool trayShown = false;
    int busyDepth = 0;

private:
    template <class T>
    static T Take(std::deque<T>& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A window rectangle without a window.
class FakeGeometry : public TWindowGeometry {
public:
    State GetState() const override { return state; }
    void SetState(State s) override { state = s; }
    std::optional<TWindowRect> GetNormalRect() const override { return normal; }
    TWindowRect GetRect() const override { return normal; }
    void SetBounds(int left, int top, int width, int height) override
    {
        normal = {left, top, left + width, top + height};
    }
    void Hide() override {}

    State state = wsNormal;
    TWindowRect normal{10, 20, 450, 350};
};
