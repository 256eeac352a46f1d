#include "app/TFormHtmlMaker.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "app/TQtDialogs.h"

namespace {

constexpr int ClientWidth = 421;
constexpr int ClientHeight = 150;

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, 0, INT_MAX));
}

} // namespace

TFormHtmlMaker::TFormHtmlMaker(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormHtmlMaker"));
    setWindowTitle(QStringLiteral("HTML作成処理"));
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    stop_ = buttons->addButton(QStringLiteral("中断"), QDialogButtonBox::ActionRole);
    stop_->setObjectName(QStringLiteral("ButtonStop"));
    connect(stop_, &QPushButton::clicked, this, [this] {
        stop_->setEnabled(false);
        logic_.Stop();
    });
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
    auto* progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(6, 0, 6, 0);
    progressRow->addWidget(progress_);
    layout->addLayout(progressRow);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(6, 0, 6, 0);
    buttonRow->addWidget(buttons);
    layout->addLayout(buttonRow);
    layout->addWidget(statusBar);
    resize(QSize(ClientWidth, ClientHeight).expandedTo(minimumSizeHint()));
}

TFormHtmlMaker::~TFormHtmlMaker()
{
    if (!worker_)
        return;
    if (!worker_->isFinished()) {
        logic_.Stop();
        // The run may be waiting on this thread (a warning box); serve it.
        while (!worker_->wait(QDeadlineTimer(20)))
            QCoreApplication::processEvents();
    }
    delete worker_;
}

void TFormHtmlMaker::OnWindowThread(std::function<void()> action)
{
    if (QThread::currentThread() == thread())
        action();
    else
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

void TFormHtmlMaker::AppendLog(const UnicodeString& text)
{
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    OnWindowThread([this, lines] { memo_->appendPlainText(lines); });
}

void TFormHtmlMaker::ProcessEvents()
{
    // The run has a thread of its own; the window's loop is never held up.
    if (QThread::currentThread() == thread())
        QCoreApplication::processEvents();
}

void TFormHtmlMaker::ShowWarning(const UnicodeString& message)
{
    const QString text = ToQString(message);
    // Waits for the box, so the log line after it comes once it is confirmed.
    if (QThread::currentThread() == thread())
        ShowWarningBox(this, text);
    else
        QMetaObject::invokeMethod(this, [this, text] { ShowWarningBox(this, text); }, Qt::BlockingQueuedConnection);
}

void TFormHtmlMaker::ShowPageCount(long long pages)
{
    OnWindowThread([this, pages] { status_->setText(QStringLiteral("作成したHTMLファイル: %1 件").arg(pages)); });
}

void TFormHtmlMaker::ShowProgress(long long done, long long total)
{
    OnWindowThread([this, done, total] {
        progress_->setRange(0, ClampToInt(total));
        progress_->setValue(ClampToInt(std::min(done, total)));
    });
}

bool TFormHtmlMaker::ConfirmStop()
{
    const QString question = QStringLiteral("HTMLファイルの作成を中断しますか？");
    if (DialogHook().Confirm)
        return DialogHook().Confirm(question) == TConfirmAnswer::Yes;
    return QMessageBox::question(this, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TFormHtmlMaker::CloseWindow()
{
    OnWindowThread([this] {
        closePending_ = true;
        if (!Running())
            accept();
    });
}

void TFormHtmlMaker::BeginBusyCursor()
{
    OnWindowThread([] { QApplication::setOverrideCursor(Qt::WaitCursor); });
}

void TFormHtmlMaker::EndBusyCursor()
{
    OnWindowThread([] { QApplication::restoreOverrideCursor(); });
}

void TFormHtmlMaker::done(int result)
{
    if (Running()) {
        if (!closePending_ && logic_.CloseRequested()) {
            closePending_ = true;
            stop_->setEnabled(false);
        }
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
    if (Running()) {
        done(QDialog::Rejected);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormHtmlMaker::Run()
{
    worker_ = QThread::create([this] { logic_.RunIdle(); });
    // Queued behind everything the run posted, so the window shows it all.
    connect(worker_, &QThread::finished, this, &TFormHtmlMaker::Ended, Qt::QueuedConnection);
    worker_->start();
}

void TFormHtmlMaker::Ended()
{
    ended_ = true;
    stop_->setEnabled(false);
    if (progress_->maximum() == 0)
        progress_->setRange(0, 1);  // no busy bar once nothing runs
    if (closePending_ && isVisible())
        QDialog::done(logic_.PagesMade() ? QDialog::Accepted : QDialog::Rejected);
}
