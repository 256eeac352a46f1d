#pragma once

// The preview window: the page of one record (one run of a list) rendered in
// memory, with previous/next and a number field, a button that opens the
// page in the desktop's browser, and a reload whenever the template or the
// workbook is saved. Non-modal; the main window owns it for the program's
// life, and it owns its logic, its file watcher and the private folder of
// the pages it opened in the browser (removed when it is destroyed).

#include <memory>

#include <QWidget>

#include "app/TPreviewLogic.h"
#include "app/TPreviewView.h"

class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QSpinBox;
class QTemporaryDir;
class QTextBrowser;
class QTimer;

class TFormPreview : public QWidget, public TPreviewView {
    Q_OBJECT  // so that findChild and qobject_cast tell it from other widgets

public:
    explicit TFormPreview(QWidget* owner);
    ~TFormPreview() override;

    TPreviewLogic& Logic() { return logic_; }

    // TPreviewView
    void ShowPage(const TPreviewPage& page) override;
    void ShowFailure(const UnicodeString& message, long long number) override;
    void WatchFiles(const std::vector<UnicodeString>& paths) override;
    bool OpenInBrowser(const std::string& bytes) override;
    void ShowWarning(const UnicodeString& message) override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;

private:
    void BuildControls();
    void FileEvent();
    void ReloadIfChanged();
    void RewatchFiles();
    void SetNumber(long long number);

    TPreviewLogic logic_{*this};
    QTextBrowser* browser_ = nullptr;
    QSpinBox* number_ = nullptr;
    QLabel* unit_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
    QStringList files_;
    std::unique_ptr<QTemporaryDir> browserPages_;
    int browserPageCount_ = 0;
};
