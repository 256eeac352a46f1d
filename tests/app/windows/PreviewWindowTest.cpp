#include <cstdio>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>

#include "WindowTests.h"
#include "app/TFormMain.h"
#include "app/TFormPreview.h"
#include "app/TQtDialogs.h"

namespace {

QTemporaryDir* dir = nullptr;

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Saved as editors that keep a backup do: a new file renamed over the old.
void WriteByRename(const QString& path, const QByteArray& bytes)
{
    const QString temp = path + QStringLiteral(".swp");
    Write(temp, bytes);
    QCOMPARE(std::rename(temp.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
}

QByteArray Card(const QByteArray& before)
{
    return "<!--- excel quit=A1 type=card filename=A1 ---><p>" + before + "<!--- cell name=B1 escape=html ---></p>";
}

} // namespace

void PreviewWindowTest::init()
{
    dir = new QTemporaryDir;
    DialogHook() = {};
}

void PreviewWindowTest::cleanup()
{
    DialogHook() = {};
    delete dir;
}

void PreviewWindowTest::f6ShowsTheRecordAndSavesReloadItInPlace()
{
    const QString templ = WriteJob(*dir, Card("A "));
    const QString book = dir->filePath(QStringLiteral("book.csv"));
    TFormMain form({}, FromQString(dir->filePath(QStringLiteral("config/tabloom.ini"))));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->setText(templ);
    form.findChild<QLineEdit*>(QStringLiteral("EditExcelFilePath"))->setText(book);
    QTest::keyClick(&form, Qt::Key_F6);

    auto* preview = form.findChild<TFormPreview*>(QStringLiteral("FormPreview"));
    QVERIFY(preview && preview->isVisible());
    auto* page = preview->findChild<QTextBrowser*>(QStringLiteral("TextBrowserPage"));
    auto* number = preview->findChild<QSpinBox*>(QStringLiteral("EditRecordNumber"));
    auto* status = preview->findChild<QLabel*>(QStringLiteral("LabelStatus"));
    QCOMPARE(page->toPlainText(), QStringLiteral("A x&y"));
    QVERIFY2(status->text().startsWith(QStringLiteral("一.html（Shift_JIS）")), qPrintable(status->text()));
    QTest::mouseClick(preview->findChild<QPushButton*>(QStringLiteral("ButtonNext")), Qt::LeftButton);
    QCOMPARE(page->toPlainText(), QStringLiteral("A z"));
    QCOMPARE(number->value(), 2);
    QVERIFY(!preview->findChild<QPushButton*>(QStringLiteral("ButtonNext"))->isEnabled());

    // Each save renders record 2 again; a rename replaces the watched file,
    // and the saves after it must still be seen.
    Write(templ, Card("B "));
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("B z"));
    WriteByRename(templ, Card("C "));
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("C z"));
    Write(templ, Card("D "));
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("D z"));
    WriteByRename(book, "一,x\n二,w\n");
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("D w"));
    Write(book, "一,x\n二,v\n");
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("D v"));
    QCOMPARE(number->value(), 2);

    // A template error takes the page's place and keeps the position.
    Write(templ, "<!--- excel quit=A1 type=cardx --->");
    QTRY_VERIFY2(page->toPlainText().startsWith(QStringLiteral("excelタグに間違いがあります。(type=cardx)")),
                 qPrintable(page->toPlainText()));
    QCOMPARE(number->value(), 2);
    WriteByRename(templ, Card("E "));
    QTRY_COMPARE(page->toPlainText(), QStringLiteral("E v"));
    QCOMPARE(preview->Logic().Number(), 2);

    // The number field goes straight to a record.
    number->setValue(1);
    QCOMPARE(page->toPlainText(), QStringLiteral("E x"));
    preview->close();
    DialogHook().Confirm = [](const QString&) { return TConfirmAnswer::No; };
    form.close();
}
