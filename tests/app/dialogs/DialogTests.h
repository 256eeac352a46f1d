#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// The settings dialog, the about box and the help commands as real Qt
// windows on the offscreen platform.
class DialogTest : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the desktop's browser: every file URL opened lands here.
    void openUrl(const QUrl& url) { openedPages << url.fileName(); }

private slots:
    void init();
    void cleanup();
    void opensOnTheFirstPageEveryTime();
    void cancelKeepsSettingsAndFileOkWritesThem();
    void returnMeansOkAfterKeyboardMoves();
    void statusBarShowsTheLongHint();
    void helpOpensTheRightPage();
    void aboutBoxShowsTheVersionTable();
    void screenshots();

private:
    QTemporaryDir* dir_ = nullptr;
    QStringList openedPages;
};
