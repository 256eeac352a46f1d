#pragma once

#include <functional>

#include <QObject>
#include <QTemporaryDir>

class QWidget;

// Polls the event loop for the modal window on top and hands it to `act`
// until `act` returns true; a window still open after 30 s is closed so a
// failing test cannot hang.
void OnModal(std::function<bool(QWidget*)> act);

// Writes a small job (CSV workbook, card template) into `dir`; returns the
// template path. `templateText` replaces the good template.
QString WriteJob(const QTemporaryDir& dir, const QByteArray& templateText = {});

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controlsAndTexts();
    void reopenMenuIsRebuiltWhenTheFileMenuOpens();
    void reopenMenuShowsAHugeHistoryInParts();
    void titleMarksUnsavedChangesAndCtrlQAsks();
    void closeQuestionYesWritesTheProject();
    void templateDialogOffersTheCharsets();
    void boundsAreRestoredAndAMaximizedWindowStoresItsNormalSize();
    void boundsFromAMonitorThatIsGoneAreBroughtBack();
    void ctrlKListsTheCheckFindings();
};

class ProgressWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void f5WritesThePagesAndLogsThreeLines();
    void templateErrorKeepsTheWindowOpen();
    void stopButtonAndCloseRequestEndTheRun();
};

class FileDropTest : public QObject {
    Q_OBJECT
private slots:
    void pathFieldsTakeTheLocalPathAndProjectsOpen();
};

class PreviewWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void f6ShowsTheRecordAndSavesReloadItInPlace();
};

class ApplicationTest : public QObject {
    Q_OBJECT
private slots:
    void escapedExceptionsAreShownAndTheProgramGoesOn();
};
