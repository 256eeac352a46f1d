#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "WindowTests.h"
#include "app/TFormHtmlMaker.h"
#include "app/TFormMain.h"
#include "app/TQtDialogs.h"

namespace {

QTemporaryDir* dir = nullptr;

UnicodeString ConfigPath()
{
    return FromQString(dir->filePath(QStringLiteral("config/tabloom.ini")));
}

// The log and status bar of the progress window once its run is over.
struct ProgressSeen {
    QString log;
    QString status;
    QString title;
    bool open = false;
};

// Reads the progress window when its run has ended and closes it.
void ReadProgressWhenDone(ProgressSeen& seen)
{
    OnModal([&seen](QWidget* modal) {
        auto* progress = dynamic_cast<TFormHtmlMaker*>(modal);
        const QString log = progress ? progress->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText() : QString();
        if (!progress || !progress->RunEnded() || log.isEmpty())
            return false;
        seen.log = log;
        seen.status = progress->findChild<QLabel*>(QStringLiteral("StatusBar1Text"))->text();
        seen.title = progress->windowTitle();
        seen.open = progress->isVisible();
        progress->close();
        return true;
    });
}

} // namespace

void ProgressWindowTest::init()
{
    dir = new QTemporaryDir;
    DialogHook() = {};
}

void ProgressWindowTest::cleanup()
{
    DialogHook() = {};
    delete dir;
}

void ProgressWindowTest::f5WritesThePagesAndLogsThreeLines()
{
    const QString templ = WriteJob(*dir);
    TFormMain form({}, ConfigPath());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->setText(templ);
    form.findChild<QLineEdit*>(QStringLiteral("EditExcelFilePath"))->setText(dir->filePath(QStringLiteral("book.csv")));
    form.findChild<QLineEdit*>(QStringLiteral("EditSaveDirPath"))->setText(dir->filePath(QStringLiteral("out")));
    // Charsets stay at Shift_JIS: the template is ASCII, the pages Shift_JIS.

    ProgressSeen seen;
    ReadProgressWhenDone(seen);
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(seen.title, QStringLiteral("HTML作成処理"));
    QCOMPARE(seen.log, QStringLiteral("テンプレートファイルを解析します。\nHTMLファイルを作成します。\nHTMLファイルを作成しました。"));
    QVERIFY2(seen.status.contains(u'2'), qPrintable(seen.status));
    QVERIFY(seen.open);
    QCOMPARE(QDir(dir->filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 2);
    QVERIFY(form.isVisible());
}

void ProgressWindowTest::templateErrorKeepsTheWindowOpen()
{
    const QString templ = WriteJob(*dir, "<!--- excel quit=A1 type=nonsense --->");
    QStringList warnings;
    DialogHook().Warning = [&](const QString& text) { warnings << text; };
    const std::vector<UnicodeString> args = {u"-a", u"-t=" + FromQString(templ),
                                             u"-x=" + FromQString(dir->filePath(QStringLiteral("book.csv"))),
                                             u"-d=" + FromQString(dir->filePath(QStringLiteral("out")))};
    TFormMain form(args, ConfigPath());
    ProgressSeen seen;
    ReadProgressWhenDone(seen);
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 30000);  // -a closes the main window afterwards
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0], QStringLiteral("excelタグに間違いがあります。(type=nonsense)\n"
                                         "テンプレートファイル 1行目 1文字目: <!--- excel quit=A1 type=nonsense --->"));
    QVERIFY(seen.open);
    QCOMPARE(seen.log, QStringLiteral("テンプレートファイルを解析します。\n") + warnings[0] +
                           QStringLiteral("\nエラーが発生しました。処理を中断します。\n"));
    QCOMPARE(form.Logic().ExitCode(), 1);
}

void ProgressWindowTest::stopButtonAndCloseRequestEndTheRun()
{
    // Enough records that the run is still going when the window is first seen.
    const int records = 40000;
    QFile book(dir->filePath(QStringLiteral("book.csv")));
    QVERIFY(book.open(QIODevice::WriteOnly));
    for (int r = 1; r <= records; ++r)
        book.write("r" + QByteArray::number(r) + "\n");
    book.close();
    QFile templ(dir->filePath(QStringLiteral("card.html")));
    QVERIFY(templ.open(QIODevice::WriteOnly));
    templ.write("<!--- excel quit=A1 type=card ---><!--- cell name=A1 --->");
    templ.close();

    for (const bool byClosing : {false, true}) {
        const QString out = dir->filePath(byClosing ? QStringLiteral("closed") : QStringLiteral("stopped"));
        QStringList questions;
        DialogHook().Confirm = [&](const QString& text) {
            questions << text;
            return TConfirmAnswer::Yes;
        };
        TFormMain form({}, ConfigPath());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->setText(templ.fileName());
        form.findChild<QLineEdit*>(QStringLiteral("EditExcelFilePath"))->setText(book.fileName());
        form.findChild<QLineEdit*>(QStringLiteral("EditSaveDirPath"))->setText(out);

        bool asked = false;
        int barMaximum = -1;
        ProgressSeen seen;
        OnModal([&](QWidget* modal) {
            auto* progress = dynamic_cast<TFormHtmlMaker*>(modal);
            if (!progress)
                return false;
            auto* bar = progress->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
            if (!asked && bar->maximum() > 0) {
                barMaximum = bar->maximum();
                asked = true;
                QObject::connect(progress, &QDialog::finished, progress, [&seen, progress] {
                    seen.log = progress->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
                });
                if (!byClosing) {
                    progress->findChild<QPushButton*>(QStringLiteral("ButtonStop"))->click();
                    return false;
                }
                progress->close();  // asks whether to stop; it closes once the run has ended
                return true;
            }
            if (!progress->RunEnded())
                return false;
            seen.open = progress->isVisible();  // a stopped run does not close by itself
            progress->close();
            return true;
        });
        QTest::keyClick(&form, Qt::Key_F5);
        const bool closedAfterRun = QApplication::activeModalWidget() == nullptr;
        QCOMPARE(barMaximum, records);
        QVERIFY2(seen.log.endsWith(QStringLiteral("中断しました。")), qPrintable(seen.log));
        QVERIFY(!seen.log.contains(QStringLiteral("HTMLファイルを作成しました。")));
        QCOMPARE(questions.size(), byClosing ? 1 : 0);
        QVERIFY(closedAfterRun);
        QVERIFY(seen.open || byClosing);
        // Whole pages only, and fewer than the records.
        const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(files.size() < records, qPrintable(QString::number(files.size())));
        for (const QString& name : files)
            QVERIFY2(name.endsWith(QStringLiteral(".html")), qPrintable(name));
        DialogHook() = {};
    }
}
