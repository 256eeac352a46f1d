#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "WindowTests.h"
#include "app/TFormMain.h"
#include "app/TQtDialogs.h"
#include "settings/TProject.h"

namespace {

// Drags `urls` over `target` and drops them there; true when the drop was taken.
bool Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    // A file manager sends the URLs as text too, which a plain field would insert.
    QStringList texts;
    for (const QUrl& url : urls)
        texts << url.toString();
    data.setText(texts.join(u'\n'));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

void FileDropTest::pathFieldsTakeTheLocalPathAndProjectsOpen()
{
    QTemporaryDir dir;
    const QString spaced = dir.filePath(QStringLiteral("my pages/カード #1.html"));
    QDir().mkpath(QFileInfo(spaced).path());
    QFile(spaced).open(QIODevice::WriteOnly);
    const QString folder = QFileInfo(spaced).path();
    const QString project = dir.filePath(QStringLiteral("job.tbm"));
    TProject(u"/t/card.html", 1, u"/t/book.xlsx", u"/t/out", 2).SaveToFile(FromQString(project));

    TFormMain form({}, FromQString(dir.filePath(QStringLiteral("tabloom.ini"))));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* templ = form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"));
    auto* book = form.findChild<QLineEdit*>(QStringLiteral("EditExcelFilePath"));
    auto* out = form.findChild<QLineEdit*>(QStringLiteral("EditSaveDirPath"));

    struct Case {
        const char* what;
        QLineEdit* field;
        QList<QUrl> urls;
        bool taken;
    };
    const QUrl file = QUrl::fromLocalFile(spaced);
    const Case cases[] = {
        {"a file replaces the template field's text", templ, {file}, true},
        {"a file on the workbook field", book, {file}, true},
        {"a folder on the output field", out, {QUrl::fromLocalFile(folder)}, true},
        {"a folder is no template", templ, {QUrl::fromLocalFile(folder)}, false},
        {"a file is no output folder", out, {file}, false},
        {"a remote file has no local path", book, {QUrl(QStringLiteral("https://example.com/book.xlsx"))}, false},
        {"two files at once", book, {file, file}, false},
        {"a missing file", book, {QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.xlsx")))}, false},
    };
    for (const Case& c : cases) {
        c.field->setText(QStringLiteral("old text"));
        c.field->setCursorPosition(3);
        const bool taken = Drop(c.field, c.urls);
        QVERIFY2(taken == c.taken, c.what);
        const QString expected = !c.taken ? QStringLiteral("old text") : c.field == out ? folder : spaced;
        QVERIFY2(c.field->text() == expected, qPrintable(QString::fromUtf8(c.what) + QStringLiteral(": ") + c.field->text()));
    }

    // A project file opens, on the window or on a field alike.
    for (QWidget* target : {static_cast<QWidget*>(&form), static_cast<QWidget*>(templ)}) {
        form.Logic().ActionFileNew();
        QVERIFY(Drop(target, {QUrl::fromLocalFile(project)}));
        QCOMPARE(templ->text(), QStringLiteral("/t/card.html"));
        QCOMPARE(out->text(), QStringLiteral("/t/out"));
        QVERIFY(form.Logic().FileName() == FromQString(project));
    }
    // Anything else dropped on the window is refused.
    QVERIFY(!Drop(&form, {file}));
}
