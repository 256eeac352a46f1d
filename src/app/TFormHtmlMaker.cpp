#include "app/TFormHtmlMaker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/TQtDialogs.h"

namespace {

constexpr int ClientWidth = 421;
constexpr int ClientHeight = 150;

} // namespace

TFormHtmlMaker::TFormHtmlMaker(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormHtmlMaker"));
    setWindowTitle(QStringLiteral("HTML作成処理"));
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(false);
    status_ = new QLabel(statusBar);
    status_->setObjectName(QStringLiteral("StatusBar1Text"));
    statusBar->addWidget(status_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(memo_, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(6, 0, 6, 0);
    buttonRow->addWidget(buttons);
    layout->addLayout(buttonRow);
    layout->addWidget(statusBar);
    resize(QSize(ClientWidth, ClientHeight).expandedTo(minimumSizeHint()));
}

void TFormHtmlMaker::AppendLog(const UnicodeString& text)
{
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    memo_->appendPlainText(lines);
}

void TFormHtmlMaker::ProcessEvents()
{
    QCoreApplication::processEvents();
}

void TFormHtmlMaker::ShowWarning(const UnicodeString& message)
{
    ShowWarningBox(this, ToQString(message));
}

void TFormHtmlMaker::ShowPageCount(long long pages)
{
    status_->setText(QStringLiteral("作成したHTMLファイル: %1 件").arg(pages));
}

void TFormHtmlMaker::CloseWindow()
{
    accept();
}

void TFormHtmlMaker::BeginBusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFormHtmlMaker::EndBusyCursor()
{
    QApplication::restoreOverrideCursor();
}

void TFormHtmlMaker::done(int result)
{
    if (logic_.Running()) {
        closePending_ = true;
        return;
    }
    QDialog::done(result);
}

void TFormHtmlMaker::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    QTimer::singleShot(0, this, [this] { Run(); });
}

void TFormHtmlMaker::closeEvent(QCloseEvent* event)
{
    if (logic_.Running()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormHtmlMaker::Run()
{
    logic_.RunIdle();
    if (closePending_ && isVisible())
        QDialog::done(QDialog::Rejected);
}
