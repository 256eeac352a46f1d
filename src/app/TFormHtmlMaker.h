#pragma once

// The modal progress window "HTML作成処理": a read-only log, a close button
// and a status bar with the count of pages made. It implements the platform
// operations of THtmlMakerView with Qt; THtmlMakerLogic owns the job.

#include <QDialog>

#include "app/THtmlMakerLogic.h"
#include "app/THtmlMakerView.h"

class QLabel;
class QPlainTextEdit;

class TFormHtmlMaker : public QDialog, public THtmlMakerView {
public:
    explicit TFormHtmlMaker(QWidget* owner);

    THtmlMakerLogic& Logic() { return logic_; }

    // THtmlMakerView
    void AppendLog(const UnicodeString& text) override;
    void ProcessEvents() override;
    void ShowWarning(const UnicodeString& message) override;
    void ShowPageCount(long long pages) override;
    void CloseWindow() override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;

    // A close asked for during the run waits until the run has ended.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Run();

    QPlainTextEdit* memo_ = nullptr;
    QLabel* status_ = nullptr;
    bool started_ = false;
    bool closePending_ = false;
    THtmlMakerLogic logic_{*this};
};
