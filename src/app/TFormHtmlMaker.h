#pragma once

// The modal progress window "HTML作成処理": a read-only log, a progress bar,
// a stop button, a close button and a status bar with the count of pages
// made. It implements the platform operations of THtmlMakerView with Qt and
// runs THtmlMakerLogic, which owns the job, on a thread of its own so the
// window repaints and the stop button works while the job reads and writes.

#include <functional>

#include <QDialog>

#include "app/THtmlMakerLogic.h"
#include "app/THtmlMakerView.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QThread;

class TFormHtmlMaker : public QDialog, public THtmlMakerView {
public:
    explicit TFormHtmlMaker(QWidget* owner);
    // Waits for a run still going (the program is ending on a signal).
    ~TFormHtmlMaker() override;

    THtmlMakerLogic& Logic() { return logic_; }
    // True once the run has ended and everything it reported is shown.
    bool RunEnded() const { return ended_; }

    // THtmlMakerView, called on the run's thread.
    void AppendLog(const UnicodeString& text) override;
    void ProcessEvents() override;
    void ShowWarning(const UnicodeString& message) override;
    void ShowPageCount(long long pages) override;
    void CloseWindow() override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;
    void ShowProgress(long long done, long long total) override;
    bool ConfirmStop() override;

    // A close asked for during the run asks whether to stop it; the window
    // then closes once the run has ended.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Run();
    void Ended();
    bool Running() const { return started_ && !ended_; }
    // Runs `action` on the window's thread, in the order of the calls.
    void OnWindowThread(std::function<void()> action);

    QPlainTextEdit* memo_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* status_ = nullptr;
    QThread* worker_ = nullptr;
    bool started_ = false;
    bool ended_ = false;
    bool closePending_ = false;
    THtmlMakerLogic logic_{*this};
};
