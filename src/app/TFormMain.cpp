#include "app/TFormMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/TFileDrops.h"
#include "app/TFormCheckList.h"
#include "app/TFormHtmlMaker.h"
#include "app/TProgramIcon.h"
#include "app/TQtDialogs.h"

namespace {

// The design size of the client area.
constexpr int ClientWidth = 426;
constexpr int ClientHeight = 273;
// Entries per level of the reopen submenu, few enough for one column on a
// small screen; a longer history continues in a nested submenu made only
// when it is opened.
constexpr int ReopenChunk = 30;

QLabel* AddLabel(QGridLayout* grid, int row, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    grid->addWidget(label, row, 0, 1, 2);
    return label;
}

// A charset list with its label on its left.
void AddCharsetRow(QGridLayout* grid, int row, const QString& text, QComboBox* list)
{
    auto* line = new QHBoxLayout;
    auto* label = new QLabel(text);
    label->setBuddy(list);
    line->addWidget(label);
    line->addWidget(list);
    line->addStretch(1);
    grid->addLayout(line, row, 0, 1, 2);
}

} // namespace

TFormMain::TFormMain(std::vector<UnicodeString> args, const UnicodeString& configPath) : args_(std::move(args))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowIcon(ProgramIcon());
    BuildControls();
    BuildMenus();
    // The design size, grown where the fonts need more room; centred at first.
    const QSize design(ClientWidth, ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    resize(design.expandedTo(minimumSizeHint()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    logic_ = std::make_unique<TMainWindowLogic>(*this, configPath);
    WatchFields();
    AcceptFileDrops();
}

// Made after the logic, which fills the fields while it starts.
void TFormMain::WatchFields()
{
    const auto changed = [this] { logic_->UpdateModified(); };
    for (QLineEdit* edit : {editTemplateFilePath_, editExcelFilePath_, editSaveDirPath_})
        connect(edit, &QLineEdit::textChanged, this, changed);
    for (QComboBox* list : {comboTemplateCharset_, comboHtmlCharset_})
        connect(list, &QComboBox::currentIndexChanged, this, changed);
}

void TFormMain::AcceptFileDrops()
{
    auto* drops = new TFileDrops(this, [this](const UnicodeString& path) { logic_->OpenProjectFile(path); });
    drops->AddPathField(editTemplateFilePath_, TDropKind::File);
    drops->AddPathField(editExcelFilePath_, TDropKind::File);
    drops->AddPathField(editSaveDirPath_, TDropKind::Folder);
}

TFormMain::~TFormMain() = default;

QAction* TFormMain::AddAction(const char* name, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    addAction(action);  // shortcuts work also for actions outside the menus
    return action;
}

void TFormMain::BuildControls()
{
    auto* client = new QWidget(this);
    auto* grid = new QGridLayout(client);
    grid->setColumnStretch(0, 1);

    const auto makeEdit = [](const char* name, const QString& hint) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setPlaceholderText(hint);
        return edit;
    };
    const auto makeList = [](const char* name) {
        auto* list = new QComboBox;
        list->setObjectName(QString::fromLatin1(name));
        list->addItems(CharsetNames());
        list->setCurrentIndex(0);
        return list;
    };
    const auto makeBrowse = [this](const char* name, const QString& hint, void (TMainWindowLogic::*command)()) {
        QAction* action = AddAction(name, QStringLiteral("参照"));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, [this, command] { (logic_.get()->*command)(); });
        auto* button = new QPushButton(action->text());
        button->setObjectName(QString::fromLatin1(name).replace(QStringLiteral("Action"), QStringLiteral("Button")));
        button->setToolTip(hint);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        return button;
    };

    editTemplateFilePath_ = makeEdit("EditTemplateFilePath", QStringLiteral("テンプレートファイルの場所を選択してください"));
    comboTemplateCharset_ = makeList("ComboBoxTemplateFileCharset");
    editExcelFilePath_ = makeEdit("EditExcelFilePath", QStringLiteral("Excelファイルの場所を選択してください"));
    editSaveDirPath_ = makeEdit("EditSaveDirPath", QStringLiteral("HTMLファイルの保存場所を選択してください"));
    comboHtmlCharset_ = makeList("ComboBoxHtmlFileCharset");

    int row = 0;
    AddLabel(grid, row++, QStringLiteral("テンプレートファイルの場所(&T)"), editTemplateFilePath_);
    grid->addWidget(editTemplateFilePath_, row, 0);
    grid->addWidget(makeBrowse("ActionTemplateFileSelect", QStringLiteral("テンプレートファイルの参照"),
                               &TMainWindowLogic::ActionTemplateFileSelect), row++, 1);
    AddCharsetRow(grid, row++, QStringLiteral("テンプレートファイルの文字コード(&U)"), comboTemplateCharset_);

    AddLabel(grid, row++, QStringLiteral("Excelファイルの場所(&L)"), editExcelFilePath_);
    grid->addWidget(editExcelFilePath_, row, 0);
    grid->addWidget(makeBrowse("ActionExcelFileSelect", QStringLiteral("Excelファイルの参照"),
                               &TMainWindowLogic::ActionExcelFileSelect), row++, 1);

    AddLabel(grid, row++, QStringLiteral("HTMLファイルの保存場所(&M)"), editSaveDirPath_);
    grid->addWidget(editSaveDirPath_, row, 0);
    grid->addWidget(makeBrowse("ActionSaveDirSelect", QStringLiteral("保存場所の参照"),
                               &TMainWindowLogic::ActionSaveDirSelect), row++, 1);
    AddCharsetRow(grid, row++, QStringLiteral("HTMLファイルの文字コード(&L)"), comboHtmlCharset_);
    grid->setRowStretch(row++, 1);

    QAction* make = AddAction("ActionMakeHtmlFile", QStringLiteral("HTMLファイルの作成(F5)"), Qt::Key_F5);
    connect(make, &QAction::triggered, this, [this] { logic_->ActionMakeHtmlFile(); });
    auto* makeButton = new QPushButton(make->text());
    makeButton->setObjectName(QStringLiteral("ButtonMakeHtmlFile"));
    connect(makeButton, &QPushButton::clicked, make, &QAction::trigger);
    auto* closeButton = new QPushButton(QStringLiteral("閉じる(&X)"));
    closeButton->setObjectName(QStringLiteral("ButtonClose"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(makeButton);
    buttons->addWidget(closeButton);
    grid->addLayout(buttons, row, 0, 1, 2);

    setCentralWidget(client);
    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("StatusBar1Text"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(status, 1);
}

void TFormMain::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("MenuFile"));
    const auto item = [this](QMenu* menu, const char* name, const QString& text, auto command,
                             const QKeySequence& shortcut = {}) {
        QAction* action = AddAction(name, text, shortcut);
        connect(action, &QAction::triggered, this, command);
        menu->addAction(action);
    };
    item(file, "ActionFileNew", QStringLiteral("新規作成(&N)"), [this] { logic_->ActionFileNew(); },
         QKeySequence(Qt::CTRL | Qt::Key_N));
    item(file, "ActionFileOpen", QStringLiteral("開く(&O)"), [this] { logic_->ActionFileOpen(); },
         QKeySequence(Qt::CTRL | Qt::Key_O));
    item(file, "ActionFileSave", QStringLiteral("上書き保存(&S)"), [this] { logic_->ActionFileSave(); },
         QKeySequence(Qt::CTRL | Qt::Key_S));
    item(file, "ActionFileSaveAs", QStringLiteral("名前をつけて保存(&A)"), [this] { logic_->ActionFileSaveAs(); },
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    reopenAction_ = file->addAction(QStringLiteral("開き直す"));
    RebuildReopenMenu();
    connect(file, &QMenu::aboutToShow, this, [this] { RebuildReopenMenu(); });
    file->addSeparator();
    item(file, "ActionPreview", QStringLiteral("プレビュー(&P)"), [this] { logic_->ActionPreview(); }, Qt::Key_F6);
    item(file, "ActionFileMakeBatFile", QStringLiteral("バッチファイルの作成(&B)"),
         [this] { logic_->ActionFileMakeBatFile(); });
    item(file, "ActionCheckTemplate", QStringLiteral("テンプレートの検査(&K)"), [this] { logic_->ActionCheckTemplate(); },
         QKeySequence(Qt::CTRL | Qt::Key_K));
    file->addSeparator();
    item(file, "ActionFileClose", QStringLiteral("閉じる(&X)"), [this] { close(); }, QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* config = menuBar()->addMenu(QStringLiteral("設定(&C)"));
    config->setObjectName(QStringLiteral("MenuConfig"));
    item(config, "ActionConfigGeneral", QStringLiteral("全般設定"), [this] { ActionConfigGeneralExecute(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    item(help, "ActionHelpShow", QStringLiteral("ヘルプ(&H)"), [this] { ActionHelpShowExecute(); });
    // F1 is shown beside the item; outside the open menu the key keeps opening
    // the main window's own topic (ActionHelpContext below).
    QAction* helpShow = findChild<QAction*>(QStringLiteral("ActionHelpShow"));
    removeAction(helpShow);  // tied to the menu alone, it cannot compete with ActionHelpContext
    helpShow->setShortcut(Qt::Key_F1);
    helpShow->setShortcutContext(Qt::WidgetShortcut);
    item(help, "ActionHelpVersion", QStringLiteral("バージョン情報(&A)"), [this] { ActionHelpVersionExecute(); });

    QAction* f1 = AddAction("ActionHelpContext", QStringLiteral("ヘルプ"), Qt::Key_F1);
    connect(f1, &QAction::triggered, this, [this] { HelpContextF1(); });
}

// A fresh submenu each time the File menu opens, so nothing of an earlier
// showing (an empty one included) carries over.
void TFormMain::RebuildReopenMenu()
{
    QMenu* old = menuFileReOpen_;
    menuFileReOpen_ = new QMenu(QStringLiteral("開き直す"), this);
    menuFileReOpen_->setObjectName(QStringLiteral("MenuFileReOpen"));
    reopenAction_->setMenu(menuFileReOpen_);  // lets go of the old one first
    delete old;
    if (logic_)
        FillReopenMenu(menuFileReOpen_, 0);
}

void TFormMain::FillReopenMenu(QMenu* menu, int first)
{
    int index = first;
    for (const UnicodeString& caption : logic_->ReopenCaptions(first, ReopenChunk)) {
        // "&0." keeps its accelerator; an "&" inside the path is shown as it is.
        QString text = ToQString(caption);
        const qsizetype dot = text.indexOf(u'.');
        text = text.left(dot + 1) + text.mid(dot + 1).replace(u'&', QStringLiteral("&&"));
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, [this, index] { logic_->ReopenHistory(index); });
        ++index;
    }
    const int count = logic_->Config().HistoryCount();
    if (index >= count)
        return;
    const int last = std::min(index + ReopenChunk, count) - 1;
    auto* more = menu->addMenu(QStringLiteral("続き (%1〜%2)").arg(index).arg(last));
    more->setObjectName(QStringLiteral("MenuFileReOpenMore"));
    connect(more, &QMenu::aboutToShow, this, [this, more, index] {
        if (more->isEmpty())
            FillReopenMenu(more, index);
    });
}

QLineEdit* TFormMain::Edit(TMainEdit edit) const
{
    switch (edit) {
    case TMainEdit::TemplateFilePath:
        return editTemplateFilePath_;
    case TMainEdit::ExcelFilePath:
        return editExcelFilePath_;
    case TMainEdit::SaveDirPath:
        break;
    }
    return editSaveDirPath_;
}

QComboBox* TFormMain::List(TMainList list) const
{
    return list == TMainList::TemplateFileCharset ? comboTemplateCharset_ : comboHtmlCharset_;
}

UnicodeString TFormMain::GetEditText(TMainEdit edit) const
{
    return FromQString(Edit(edit)->text());
}

void TFormMain::SetEditText(TMainEdit edit, const UnicodeString& text)
{
    Edit(edit)->setText(ToQString(text));
}

int TFormMain::GetListIndex(TMainList list) const
{
    return List(list)->currentIndex();
}

void TFormMain::SetListIndex(TMainList list, int index)
{
    List(list)->setCurrentIndex(index >= 0 && index < List(list)->count() ? index : -1);
}

void TFormMain::FocusEdit(TMainEdit edit)
{
    Edit(edit)->setFocus();
}

void TFormMain::SetCaption(const UnicodeString& caption)
{
    caption_ = ToQString(caption);
    ShowCaption();
}

void TFormMain::SetModified(bool modified)
{
    modified_ = modified;
    ShowCaption();
}

// Qt's marker ("[*]") is in the title only while something is unsaved, so
// the title is the plain caption otherwise.
void TFormMain::ShowCaption()
{
    setWindowTitle(modified_ ? caption_ + QStringLiteral("[*]") : caption_);
    setWindowModified(modified_);
}

void TFormMain::SetStatusText(const UnicodeString& text)
{
    findChild<QLabel*>(QStringLiteral("StatusBar1Text"))->setText(ToQString(text));
}

void TFormMain::ShowWarning(const UnicodeString& message)
{
    ShowWarningBox(this, ToQString(message));
}

TConfirmAnswer TFormMain::ConfirmYesNoCancel(const UnicodeString& text)
{
    return AskYesNoCancel(this, ToQString(text));
}

std::optional<UnicodeString> TFormMain::OpenFileDialog(const TFileDialogOptions& options)
{
    return RunFileDialog(this, options, false);
}

std::optional<UnicodeString> TFormMain::SaveFileDialog(const TFileDialogOptions& options)
{
    return RunFileDialog(this, options, true);
}

std::optional<TCharsetFileChoice> TFormMain::OpenTemplateDialog(const TFileDialogOptions& options, int charset)
{
    return RunTemplateDialog(this, options, charset);
}

std::optional<UnicodeString> TFormMain::SelectFolder(const UnicodeString& caption)
{
    return RunFolderDialog(this, ToQString(caption));
}

std::optional<UnicodeString> TFormMain::SelectFolderFrom(const UnicodeString& caption, const UnicodeString& start)
{
    return RunFolderDialog(this, ToQString(caption), ToQString(start));
}

bool TFormMain::RunProgressWindow(const TTabloomMaker& job, bool autoClose)
{
    TFormHtmlMaker progress(this);
    progress.Logic().Assign(job);
    progress.Logic().SetAutoClose(autoClose);
    progress.exec();
    return progress.Logic().PagesMade();
}

void TFormMain::ShowCheckFindings(const std::vector<UnicodeString>& lines)
{
    if (!checkList_)
        checkList_ = new TFormCheckList(this);
    checkList_->SetLines(lines);
    checkList_->show();
    checkList_->raise();
    checkList_->activateWindow();
}

void TFormMain::CloseWindow()
{
    close();
}

void TFormMain::ShowWindow()
{
    show();
}

void TFormMain::HideWindow()
{
    hide();
}

void TFormMain::RestoreAndBringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

bool TFormMain::TrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TFormMain::ShowTrayIcon(bool visible)
{
    if (!visible) {
        if (trayIcon_)
            trayIcon_->hide();
        return;
    }
    if (!trayIcon_) {
        trayIcon_ = new QSystemTrayIcon(ProgramIcon(), this);
        trayIcon_->setObjectName(QStringLiteral("TrayIcon1"));
        trayIcon_->setToolTip(QCoreApplication::applicationName());
        connect(trayIcon_, &QSystemTrayIcon::activated, this, [this] { logic_->TrayIconClicked(); });
    }
    trayIcon_->show();
}

UnicodeString TFormMain::ApplicationTitle() const
{
    return FromQString(QCoreApplication::applicationName());
}

UnicodeString TFormMain::ProgramPath() const
{
    return FromQString(QCoreApplication::applicationFilePath());
}

void TFormMain::BeginBusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFormMain::EndBusyCursor()
{
    QApplication::restoreOverrideCursor();
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    logic_->WindowShown();
    if (started_)
        return;
    started_ = true;
    // The start-up step runs once, at the first idle moment after showing.
    QTimer::singleShot(0, this, [this] { logic_->StartupIdle(args_, geometry_); });
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (!logic_->CloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    logic_->Closing(geometry_);
}

void TFormMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        // Hiding inside the state change confuses some window managers.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                logic_->ApplicationMinimized();
        });
}
