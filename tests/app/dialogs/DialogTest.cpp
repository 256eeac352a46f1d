#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "DialogTests.h"
#include "app/TFormAboutBox.h"
#include "app/TFormConfigGenera.h"
#include "app/TFormMain.h"
#include "app/TQtDialogs.h"
#include "settings/TConfig.h"

namespace {

// Runs `act` on the modal dialog once it is up (and the event loop runs).
void OnModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && ++tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal == nullptr)
            return;
        act(modal);
        // A failed check inside `act` must not leave the dialog hanging.
        QTimer::singleShot(10000, modal, &QWidget::close);
    });
    timer->start();
}

const char* const BoxNames[] = {"CheckBoxRestoreParamFile", "CheckBoxRestoreWindowSize", "CheckBoxInTaskTray"};

QPushButton* Button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

void DialogTest::init()
{
    dir_ = new QTemporaryDir;
    openedPages.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    DialogHook().Warning = [](const QString& text) { QFAIL(qPrintable(QStringLiteral("warning box: ") + text)); };
}

void DialogTest::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    DialogHook() = {};
    delete dir_;
}

void DialogTest::opensOnTheFirstPageEveryTime()
{
    TFormConfigGenera dialog(nullptr);
    for (int round = 0; round < 2; ++round) {
        int shown = -1;
        dialog.PageControl()->setCurrentIndex(2);
        OnModal([&](QWidget* modal) {
            shown = dialog.PageControl()->currentIndex();
            dialog.PageControl()->setCurrentIndex(1);
            modal->close();
        });
        QVERIFY(!dialog.ShowModal());
        QCOMPARE(shown, 0);
    }
    QStringList tabs;
    for (int i = 0; i < dialog.PageControl()->count(); ++i)
        tabs << dialog.PageControl()->tabText(i);
    QCOMPARE(tabs, (QStringList{QStringLiteral("起動時(&1)"), QStringLiteral("関連付け(&2)"), QStringLiteral("その他(&0)")}));
}

void DialogTest::cancelKeepsSettingsAndFileOkWritesThem()
{
    const UnicodeString configPath = FromQString(dir_->filePath(QStringLiteral("config/tabloom.ini")));
    TFormMain window({}, configPath);
    auto clickAll = [](QWidget* modal) {
        for (const char* name : BoxNames)
            modal->findChild<QCheckBox*>(QString::fromLatin1(name))->click();
    };

    OnModal([&](QWidget* modal) {
        clickAll(modal);
        QTest::mouseClick(Button(modal, "ActionCancel"), Qt::LeftButton);
    });
    window.ActionConfigGeneralExecute();
    QVERIFY(!QFile::exists(ToQString(configPath)));
    QCOMPARE(window.Logic().Config().ProjectFileRestore, false);
    QCOMPARE(window.Logic().Config().WindowPositionRestore, false);
    QCOMPARE(window.Logic().Config().InTaskTray, false);

    OnModal([&](QWidget* modal) { QTest::mouseClick(Button(modal, "BitBtnOK"), Qt::LeftButton); });
    window.ActionConfigGeneralExecute();
    QVERIFY(QFile::exists(ToQString(configPath)));

    OnModal([&](QWidget* modal) {
        clickAll(modal);
        QTest::keyClick(modal, Qt::Key_Return);
    });
    window.ActionConfigGeneralExecute();
    TConfig stored;
    stored.LoadFromFile(configPath);
    QCOMPARE(stored.ProjectFileRestore, true);
    QCOMPARE(stored.WindowPositionRestore, true);
    QCOMPARE(stored.InTaskTray, true);
    window.Logic().Config().InTaskTray = false;  // the window closes without hiding
}

void DialogTest::returnMeansOkAfterKeyboardMoves()
{
    // Should Return ever press an association button, its helper must not
    // touch the real desktop's files.
    qputenv("XDG_DATA_HOME", dir_->filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir_->filePath(QStringLiteral("config")).toLocal8Bit());
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key moves[] = {
        {Qt::Key_Tab, Qt::NoModifier},     {Qt::Key_Tab, Qt::NoModifier},      {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Tab, Qt::NoModifier},     {Qt::Key_Tab, Qt::ControlModifier}, {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Tab, Qt::NoModifier},     {Qt::Key_Tab, Qt::NoModifier},      {Qt::Key_PageDown, Qt::ControlModifier},
        {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_2, Qt::AltModifier},    {Qt::Key_Tab, Qt::NoModifier},
    };
    TFormConfigGenera dialog(nullptr);
    // From the first check box, every prefix of the moves, then Return: the
    // dialog ends with OK. The moves pass over OK, which must stay the default
    // once the focus has left it.
    for (std::size_t count = 0; count <= std::size(moves); ++count) {
        QString focus;
        OnModal([&](QWidget* modal) {
            modal->findChild<QCheckBox*>(QStringLiteral("CheckBoxRestoreParamFile"))->setFocus(Qt::TabFocusReason);
            for (std::size_t i = 0; i < count; ++i) {
                QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : modal;
                QTest::keyClick(target, moves[i].key, moves[i].modifiers);
            }
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : modal;
            focus = target->objectName() + u'@' + QString::number(dialog.PageControl()->currentIndex());
            QTest::keyClick(target, Qt::Key_Return);
        });
        QVERIFY2(dialog.ShowModal(), qPrintable(QStringLiteral("after %1 moves, focus %2").arg(count).arg(focus)));
    }
    QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("data"))));
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
}

void DialogTest::statusBarShowsTheLongHint()
{
    TFormConfigGenera dialog(nullptr);
    QString shown;
    OnModal([&](QWidget* modal) {
        auto* box = modal->findChild<QCheckBox*>(QStringLiteral("CheckBoxRestoreParamFile"));
        QTest::mouseMove(box, QPoint(5, 5));
        QTest::qWait(50);
        shown = dialog.StatusBar()->currentMessage();
        modal->close();
    });
    dialog.ShowModal();
    QCOMPARE(shown, QStringLiteral("起動した時に前回終了時に開いていたファイルを開く"));
}

void DialogTest::helpOpensTheRightPage()
{
    TFormConfigGenera dialog(nullptr);
    OnModal([&](QWidget* modal) {
        QTest::mouseClick(Button(modal, "BtnHelp"), Qt::LeftButton);
        QTest::keyClick(modal, Qt::Key_F1);
        modal->close();
    });
    dialog.ShowModal();

    TFormMain window({}, FromQString(dir_->filePath(QStringLiteral("tabloom.ini"))));
    window.ActionHelpShowExecute();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(openedPages, (QStringList{QStringLiteral("settings.html"), QStringLiteral("settings.html"),
                                       QStringLiteral("index.html"), QStringLiteral("main-window.html")}));
    window.Logic().Config().InTaskTray = false;
}

void DialogTest::aboutBoxShowsTheVersionTable()
{
    TFormAboutBox box(nullptr);
    QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(box.ProductName()->text(), QStringLiteral("tabloom"));
    QCOMPARE(box.Version()->text(), QStringLiteral("0.7.1.0"));
    QCOMPARE(box.Comments()->text(), QStringLiteral("テンプレートにExcelデータを差し込み、HTMLファイルを作成する"));
    QVERIFY(!box.Copyright()->text().isEmpty());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.ProductName(), Qt::LeftButton);
    QCOMPARE(openedPages, QStringList{QStringLiteral("index.html")});
}

// With TABLOOM_SCREENSHOTS set to a folder, the windows are saved there as
// PNG files (the help pages show them).
void DialogTest::screenshots()
{
    const QString folder = qEnvironmentVariable("TABLOOM_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("TABLOOM_SCREENSHOTS is not set");
    TFormConfigGenera dialog(nullptr);
    for (int page = 0; page < 3; ++page) {
        dialog.PageControl()->setCurrentIndex(page);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.grab().save(folder + QStringLiteral("/settings-%1.png").arg(page + 1)));
    }
    TFormAboutBox box(nullptr);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(box.grab().save(folder + QStringLiteral("/about.png")));

    TFormMain window({}, FromQString(dir_->filePath(QStringLiteral("tabloom.ini"))));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(100);  // the start-up step shows the empty project first
    window.SetEditText(TMainEdit::TemplateFilePath, u"/home/user/tabloom-example/card.html");
    window.SetEditText(TMainEdit::ExcelFilePath, u"/home/user/tabloom-example/events.xlsx");
    window.SetEditText(TMainEdit::SaveDirPath, u"/home/user/tabloom-example/pages");
    window.SetListIndex(TMainList::TemplateFileCharset, 1);
    window.SetListIndex(TMainList::HtmlFileCharset, 1);
    QVERIFY(window.grab().save(folder + QStringLiteral("/main-window.png")));
    window.Logic().ActionFileNew();  // no close question
}
