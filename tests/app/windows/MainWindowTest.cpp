#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "WindowTests.h"
#include "app/TFormMain.h"
#include "app/TQtDialogs.h"
#include "settings/TConfig.h"
#include "settings/TProject.h"

namespace {

QTemporaryDir* dir = nullptr;

UnicodeString ConfigPath()
{
    return FromQString(dir->filePath(QStringLiteral("config/tabloom.ini")));
}

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

void MainWindowTest::init()
{
    dir = new QTemporaryDir;
    DialogHook() = {};
}

void MainWindowTest::cleanup()
{
    DialogHook() = {};
    delete dir;
}

void MainWindowTest::controlsAndTexts()
{
    TFormMain form({}, ConfigPath());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QStringLiteral("tabloom"));

    struct Field {
        const char* edit;
        const char* label;
        const char* hint;
    };
    const Field fields[] = {
        {"EditTemplateFilePath", "テンプレートファイルの場所(&T)", "テンプレートファイルの場所を選択してください"},
        {"EditExcelFilePath", "Excelファイルの場所(&L)", "Excelファイルの場所を選択してください"},
        {"EditSaveDirPath", "HTMLファイルの保存場所(&M)", "HTMLファイルの保存場所を選択してください"},
    };
    QMap<QString, QLabel*> labels;
    for (QLabel* label : form.findChildren<QLabel*>())
        labels[label->text()] = label;
    for (const Field& f : fields) {
        auto* edit = form.findChild<QLineEdit*>(QString::fromLatin1(f.edit));
        QVERIFY(edit);
        QCOMPARE(edit->placeholderText(), QString::fromUtf8(f.hint));
        QVERIFY2(labels.contains(QString::fromUtf8(f.label)), f.label);
        QCOMPARE(labels[QString::fromUtf8(f.label)]->buddy(), edit);
    }
    for (const auto& [list, label] : {std::pair{"ComboBoxTemplateFileCharset", "テンプレートファイルの文字コード(&U)"},
                                      std::pair{"ComboBoxHtmlFileCharset", "HTMLファイルの文字コード(&L)"}}) {
        auto* combo = form.findChild<QComboBox*>(QString::fromLatin1(list));
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("Shift_JIS"));
        QCOMPARE(combo->itemText(2), QStringLiteral("EUC-JP"));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(labels[QString::fromUtf8(label)]->buddy(), combo);
    }

    QStringList buttons;
    for (QPushButton* button : form.findChildren<QPushButton*>())
        buttons << button->text() + u'|' + button->toolTip();
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("HTMLファイルの作成(F5)|"), QStringLiteral("参照|Excelファイルの参照"),
                                   QStringLiteral("参照|テンプレートファイルの参照"), QStringLiteral("参照|保存場所の参照"),
                                   QStringLiteral("閉じる(&X)|")}));

    const QList<QMenu*> menus = form.menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    QStringList titles;
    for (QAction* action : form.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("設定(&C)"), QStringLiteral("ヘルプ(&H)")}));
    auto* file = form.findChild<QMenu*>(QStringLiteral("MenuFile"));
    QCOMPARE(MenuTexts(file), (QStringList{QStringLiteral("新規作成(&N)"), QStringLiteral("開く(&O)"),
                                           QStringLiteral("上書き保存(&S)"), QStringLiteral("名前をつけて保存(&A)"),
                                           QStringLiteral("開き直す"), QStringLiteral("-"),
                                           QStringLiteral("プレビュー(&P)"), QStringLiteral("バッチファイルの作成(&B)"),
                                           QStringLiteral("テンプレートの検査(&K)"), QStringLiteral("-"),
                                           QStringLiteral("閉じる(&X)")}));
    QCOMPARE(MenuTexts(form.findChild<QMenu*>(QStringLiteral("MenuConfig"))), QStringList{QStringLiteral("全般設定")});
    QCOMPARE(MenuTexts(form.findChild<QMenu*>(QStringLiteral("MenuHelp"))),
             (QStringList{QStringLiteral("ヘルプ(&H)"), QStringLiteral("バージョン情報(&A)")}));

    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"ActionFileNew", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"ActionFileOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"ActionFileSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"ActionFileSaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"ActionFileClose", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"ActionHelpShow", QKeySequence(Qt::Key_F1)},  // shown in the menu; F1 itself opens the window's topic
        {"ActionMakeHtmlFile", QKeySequence(Qt::Key_F5)},
        {"ActionPreview", QKeySequence(Qt::Key_F6)},
        {"ActionCheckTemplate", QKeySequence(Qt::CTRL | Qt::Key_K)},
        {"ActionHelpContext", QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [name, keys] : shortcuts) {
        auto* action = form.findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        QCOMPARE(action->shortcut(), keys);
    }

    // F1, help, settings and about are tested with their windows (tests/app/dialogs).

    // Nothing is squeezed below what its text needs.
    QVERIFY(form.width() >= form.minimumSizeHint().width());
    QVERIFY(form.height() >= form.minimumSizeHint().height());
    form.close();
}

void MainWindowTest::reopenMenuIsRebuiltWhenTheFileMenuOpens()
{
    const QString a = dir->filePath(QStringLiteral("a&b.tbm"));
    TProject(u"/t.html", 0, u"", u"", 0).SaveToFile(FromQString(a));
    TFormMain form({}, ConfigPath());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* file = form.findChild<QMenu*>(QStringLiteral("MenuFile"));
    // Opened once while the history is empty, as a user would.
    file->popup(QPoint(0, 0));
    auto* reopen = form.findChild<QMenu*>(QStringLiteral("MenuFileReOpen"));
    QVERIFY(reopen->actions().isEmpty());
    reopen->popup(QPoint(10, 10));
    QTRY_VERIFY(reopen->isVisible());
    reopen->hide();
    file->hide();

    form.Logic().OpenProjectFile(FromQString(a));
    form.Logic().ActionFileNew();
    file->popup(QPoint(0, 0));
    reopen = form.findChild<QMenu*>(QStringLiteral("MenuFileReOpen"));
    QCOMPARE(MenuTexts(reopen), QStringList{QStringLiteral("&0.") + QString(a).replace(u'&', QStringLiteral("&&"))});
    reopen->popup(QPoint(10, 10));
    QTRY_VERIFY(reopen->isVisible());
    QVERIFY(reopen->actionGeometry(reopen->actions().first()).height() > 0);
    reopen->hide();
    file->hide();
    reopen->actions().first()->trigger();
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->text(), QStringLiteral("/t.html"));
    QCOMPARE(form.windowTitle(), QStringLiteral("tabloom - a&b.tbm"));
}

void MainWindowTest::reopenMenuShowsAHugeHistoryInParts()
{
    QStringList history;
    for (int i = 0; i < 100000; ++i)
        history << dir->filePath(QStringLiteral("p%1.tbm").arg(i));
    QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("config"))));
    QFile ini(ToQString(ConfigPath()));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[STARTUP]\r\nHISTORY=" + history.join(u',').toUtf8() + "\r\n");
    ini.close();
    TFormMain form({}, ConfigPath());
    auto* file = form.findChild<QMenu*>(QStringLiteral("MenuFile"));
    emit file->aboutToShow();
    auto* reopen = form.findChild<QMenu*>(QStringLiteral("MenuFileReOpen"));
    QStringList texts = MenuTexts(reopen);
    QCOMPARE(texts.size(), 31);
    QCOMPARE(texts[0], QStringLiteral("&0.") + dir->filePath(QStringLiteral("p0.tbm")));
    QCOMPARE(texts[29], QStringLiteral("&29.") + dir->filePath(QStringLiteral("p29.tbm")));
    QCOMPARE(texts[30], QStringLiteral("続き (30〜59)"));

    // The next part is made when it is opened, and only then.
    QMenu* more = reopen->actions().last()->menu();
    QVERIFY(more && more->isEmpty());
    emit more->aboutToShow();
    texts = MenuTexts(more);
    QCOMPARE(texts.size(), 31);
    QCOMPARE(texts[0], QStringLiteral("&30.") + dir->filePath(QStringLiteral("p30.tbm")));
    QCOMPARE(texts[30], QStringLiteral("続き (60〜89)"));
    emit more->aboutToShow();
    QCOMPARE(more->actions().size(), 31);  // opening again adds nothing

    // An entry of a later part opens its own project.
    const QString p45 = dir->filePath(QStringLiteral("p45.tbm"));
    TProject(u"/45.html", 0, u"", u"", 0).SaveToFile(FromQString(p45));
    more->actions().at(15)->trigger();
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->text(), QStringLiteral("/45.html"));
    QCOMPARE(form.Logic().Config().HistoryCount(), 100000);
    form.Logic().Config().ClearHistory();
}

void MainWindowTest::titleMarksUnsavedChangesAndCtrlQAsks()
{
    TFormMain form({}, ConfigPath());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* edit = form.findChild<QLineEdit*>(QStringLiteral("EditSaveDirPath"));
    QTest::keyClicks(edit, QStringLiteral("/out"));
    QVERIFY(form.isWindowModified());
    QCOMPARE(form.windowTitle(), QStringLiteral("tabloom[*]"));
    edit->clear();
    QVERIFY(!form.isWindowModified());
    QCOMPARE(form.windowTitle(), QStringLiteral("tabloom"));

    form.findChild<QComboBox*>(QStringLiteral("ComboBoxHtmlFileCharset"))->setCurrentIndex(1);
    QVERIFY(form.isWindowModified());
    QStringList questions;
    DialogHook().Confirm = [&](const QString& text) {
        questions << text;
        return TConfirmAnswer::Cancel;
    };
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(questions, QStringList{QStringLiteral("設定が変更されています。ファイルに保存しますか？")});
    QVERIFY(form.isVisible());

    // The program's own icon, from inside the program.
    const QImage own(QStringLiteral(TABLOOM_SOURCE_DIR "/data/icons/hicolor/32x32/apps/tabloom.png"));
    QVERIFY(!own.isNull());
    const QImage shown = form.windowIcon().pixmap(32, 32).toImage();
    QCOMPARE(shown.size(), QSize(32, 32));
    // Both premultiplied, as a pixmap holds them, so rounding cannot differ.
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             own.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    form.Logic().ActionFileNew();
}

void MainWindowTest::closeQuestionYesWritesTheProject()
{
    const QString path = dir->filePath(QStringLiteral("shop.tbm"));
    TProject(u"/t.html", 1, u"/b.xlsx", u"/out", 1).SaveToFile(FromQString(path));
    TFormMain form({}, ConfigPath());
    form.show();
    form.Logic().OpenProjectFile(FromQString(path));
    form.findChild<QLineEdit*>(QStringLiteral("EditSaveDirPath"))->setText(QStringLiteral("/elsewhere"));

    QStringList questions;
    DialogHook().Confirm = [&](const QString& text) {
        questions << text;
        return questions.size() == 1 ? TConfirmAnswer::Cancel : TConfirmAnswer::Yes;
    };
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY(form.close());
    QCOMPARE(questions.size(), 2);
    QCOMPARE(questions[0], QStringLiteral("設定が変更されています。ファイルに保存しますか？"));
    TProject saved;
    saved.LoadFromFile(FromQString(path));
    QCOMPARE(saved.HtmlSavePath, UnicodeString(u"/elsewhere"));
    QVERIFY(QFile::exists(ToQString(ConfigPath())));
}

void MainWindowTest::templateDialogOffersTheCharsets()
{
    const QString templ = WriteJob(*dir);
    TFormMain form({}, ConfigPath());
    form.show();
    QStringList seen;
    OnModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog)
            return false;
        auto* charset = dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxCharset"));
        if (!charset)
            return false;
        for (int i = 0; i < charset->count(); ++i)
            seen << charset->itemText(i);
        seen << dialog->nameFilters();
        charset->setCurrentIndex(2);
        dialog->selectFile(templ);
        QMetaObject::invokeMethod(dialog, "accept");
        return true;
    });
    form.findChild<QAction*>(QStringLiteral("ActionTemplateFileSelect"))->trigger();
    QCOMPARE(seen, (QStringList{QStringLiteral("Shift_JIS"), QStringLiteral("UTF-8"), QStringLiteral("EUC-JP"),
                                QStringLiteral("HTMLファイル(*.html *.htm)"), QStringLiteral("テキストファイル(*.txt)"),
                                QStringLiteral("すべてのファイル(*)")}));
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("EditTemplateFilePath"))->text(), templ);
    QCOMPARE(form.findChild<QComboBox*>(QStringLiteral("ComboBoxTemplateFileCharset"))->currentIndex(), 2);
}

void MainWindowTest::boundsAreRestoredAndAMaximizedWindowStoresItsNormalSize()
{
    TConfig stored;
    stored.WindowPositionRestore = true;
    stored.WindowPositionLeft = 40;
    stored.WindowPositionTop = 50;
    stored.WindowPositionRight = 520;
    stored.WindowPositionBottom = 410;
    stored.SaveToFile(ConfigPath());

    TFormMain form({}, ConfigPath());
    form.show();
    QTRY_COMPARE(form.geometry(), QRect(40, 50, 520, 410));
    form.showMaximized();
    QTRY_VERIFY(form.isMaximized());
    QVERIFY(form.close());

    TConfig read;
    read.LoadFromFile(ConfigPath());
    QCOMPARE(read.GetWindowState(), 2);
    QCOMPARE(read.WindowPositionLeft, 40);
    QCOMPARE(read.WindowPositionRight, 520);
    QCOMPARE(read.WindowPositionBottom, 410);
}

void MainWindowTest::boundsFromAMonitorThatIsGoneAreBroughtBack()
{
    TConfig stored;
    stored.WindowPositionRestore = true;
    stored.WindowPositionLeft = 5000;
    stored.WindowPositionTop = -3000;
    stored.WindowPositionRight = 20000;
    stored.WindowPositionBottom = 410;
    stored.SaveToFile(ConfigPath());

    TFormMain form({}, ConfigPath());
    form.show();
    const QRect screen = form.screen()->availableGeometry();
    QTRY_COMPARE(form.height(), 410);  // once the start-up step has run
    QVERIFY(screen.contains(form.frameGeometry()));
    QCOMPARE(form.frameGeometry().width(), screen.width());
    QVERIFY(form.close());
}

void MainWindowTest::ctrlKListsTheCheckFindings()
{
    const QString templ = WriteJob(*dir, "<!--- excel quit=A1 type=card --->\n<p><!--- cell name=C1 ---></p>");
    QStringList warnings;
    DialogHook().Warning = [&](const QString& text) { warnings << text; };
    TFormMain form({}, ConfigPath());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(50);  // the start-up fills the fields first
    form.SetEditText(TMainEdit::TemplateFilePath, FromQString(templ));
    form.SetEditText(TMainEdit::ExcelFilePath, FromQString(dir->filePath(QStringLiteral("book.csv"))));
    form.SetListIndex(TMainList::TemplateFileCharset, 1);
    QTest::keyClick(&form, Qt::Key_K, Qt::ControlModifier);
    auto* list = form.findChild<QListWidget*>(QStringLiteral("ListFindings"));
    QVERIFY2(list, qPrintable(warnings.join(u'|')));
    QTRY_VERIFY(list->window()->isVisible());
    QCOMPARE(list->window()->windowTitle(), QStringLiteral("テンプレートの検査"));
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    QCOMPARE(lines, (QStringList{templ + QStringLiteral(":2:4: cellタグのセルがすべてのレコードで空です。列や行の指定を確かめてください。"),
                                 QStringLiteral("作成されるHTMLファイル: 2件"), QStringLiteral("読み込むシート: 1")}));
    // A second check refills the same window.
    QTest::keyClick(&form, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(form.findChildren<QListWidget*>(QStringLiteral("ListFindings")).size(), 1);
    QCOMPARE(list->count(), 3);
    DialogHook().Confirm = [](const QString&) { return TConfirmAnswer::No; };  // the fields changed
    form.close();
}
