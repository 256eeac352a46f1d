#include "app/TFormConfigGenera.h"

#include <QCheckBox>
#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/THelpViewer.h"
#include "app/TQtDialogs.h"

namespace {

constexpr int ClientWidth = 388;
constexpr int ClientHeight = 262;

// The short hint shows as a tool tip, the long one in the status bar.
template <typename Widget>
Widget* Hinted(Widget* widget, const char* name, const QString& shortHint, const QString& longHint)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(shortHint);
    widget->setStatusTip(longHint);
    return widget;
}

QWidget* Page(const std::initializer_list<QWidget*>& widgets)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch();
    return page;
}

} // namespace

TFormConfigGenera::TFormConfigGenera(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormConfigGenera"));
    setWindowTitle(QStringLiteral("全般設定"));

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->addTab(BuildStartupPage(), QStringLiteral("起動時(&1)"));
    pages_->addTab(BuildAssociationPage(), QStringLiteral("関連付け(&2)"));
    pages_->addTab(BuildOtherPage(), QStringLiteral("その他(&0)"));

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = Hinted(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "BitBtnOK",
                             QStringLiteral("OK"), QStringLiteral("設定を反映し、保存します。"));
    Hinted(buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole), "ActionCancel",
           QStringLiteral("キャンセル"), QStringLiteral("現在の設定を破棄し、前の画面に戻ります。"));
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(QStringLiteral("BtnHelp"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelpTopic(this, THelpTopic::ConfigGeneral); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelpTopic(this, THelpTopic::ConfigGeneral); });

    statusBar_ = new QStatusBar;
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);
    layout->addWidget(statusBar_);

    // Return means OK wherever the focus is: no other button takes the default.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(button == ok);
    // Only now, with the button inside the dialog, does OK become the
    // dialog's own default, which it gets back whenever focus leaves it.
    ok->setDefault(true);

    setFixedSize(QSize(ClientWidth, ClientHeight).expandedTo(minimumSizeHint()));
}

QWidget* TFormConfigGenera::BuildStartupPage()
{
    restoreParamFile_ = Hinted(new QCheckBox(QStringLiteral("起動時に前回終了時に開いていたファイルを開く(&O)")),
                               "CheckBoxRestoreParamFile",
                               QStringLiteral("起動した時に前回終了時に開いていたファイル開く"),
                               QStringLiteral("起動した時に前回終了時に開いていたファイルを開く"));
    const QString windowHint = QStringLiteral("起動した時に前回終了時のウィンドウのサイズを復元する");
    restoreWindowSize_ = Hinted(new QCheckBox(QStringLiteral("起動時に前回終了時のウィンドウのサイズを復元する(&W)")),
                                "CheckBoxRestoreWindowSize", windowHint, windowHint);
    return Page({restoreParamFile_, restoreWindowSize_});
}

QWidget* TFormConfigGenera::BuildAssociationPage()
{
    auto* link = Hinted(new QCommandLinkButton(QStringLiteral("拡張子「.tbm」の関連づけを登録する")), "BtnExtLink",
                        QStringLiteral("tabloomに拡張子「.tbm」の関連づけを登録する"),
                        QStringLiteral("tabloomに拡張子「.tbm」の関連づけを登録します。"));
    auto* unlink = Hinted(new QCommandLinkButton(QStringLiteral("拡張子「.tbm」の関連づけを削除する")), "BtnExtUnlink",
                          QStringLiteral("拡張子「.tbm」の関連づけを削除する"),
                          QStringLiteral("拡張子「.tbm」の関連づけを削除します。"));
    // Large two-line buttons: the caption, then what the command does.
    link->setDescription(link->statusTip());
    unlink->setDescription(unlink->statusTip());
    connect(link, &QAbstractButton::clicked, this, [this] { RunWithBusyCursor(&TFormConfigGeneraLogic::ActionExtLink); });
    connect(unlink, &QAbstractButton::clicked, this,
            [this] { RunWithBusyCursor(&TFormConfigGeneraLogic::ActionExtUnlink); });
    return Page({link, unlink});
}

QWidget* TFormConfigGenera::BuildOtherPage()
{
    const QString trayHint = QStringLiteral("最小化したときにタスクトレイに入れます。");
    inTaskTray_ = Hinted(new QCheckBox(QStringLiteral("最小化したときはタスクトレイに入れる(&T)")), "CheckBoxInTaskTray",
                         trayHint, trayHint);
    return Page({inTaskTray_});
}

// velmora runs while the dialog waits; the cursor says so.
void TFormConfigGenera::RunWithBusyCursor(void (TFormConfigGeneraLogic::*action)())
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        (logic_.*action)();
    } catch (...) {
        QGuiApplication::restoreOverrideCursor();
        throw;
    }
    QGuiApplication::restoreOverrideCursor();
}

bool TFormConfigGenera::ShowModal()
{
    pages_->setCurrentIndex(0);
    statusBar_->clearMessage();
    return exec() == QDialog::Accepted;
}

QCheckBox* TFormConfigGenera::Box(TConfigCheck box) const
{
    switch (box) {
    case TConfigCheck::RestoreParamFile: return restoreParamFile_;
    case TConfigCheck::RestoreWindowSize: return restoreWindowSize_;
    case TConfigCheck::InTaskTray: break;
    }
    return inTaskTray_;
}

bool TFormConfigGenera::IsChecked(TConfigCheck box) const
{
    return Box(box)->isChecked();
}

void TFormConfigGenera::SetChecked(TConfigCheck box, bool checked)
{
    Box(box)->setChecked(checked);
}

UnicodeString TFormConfigGenera::ProgramPath() const
{
    return FromQString(QCoreApplication::applicationFilePath());
}

void TFormConfigGenera::ShowWarning(const UnicodeString& message)
{
    ShowWarningBox(this, ToQString(message));
}

bool TFormConfigGenera::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        statusBar_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
