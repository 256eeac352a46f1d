#include "app/TFormPreview.h"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/TQtDialogs.h"
#include "text/TCodePage.h"

namespace {

constexpr int ClientWidth = 720;
constexpr int ClientHeight = 560;
// Editors write a file in a few steps: the page is rendered once they are done.
constexpr int SettleMs = 40;
// While a job runs (a modal window is open) the workbook engine is its own.
constexpr int BusyRetryMs = 250;

QString CharsetName(unsigned codePage)
{
    for (const TCodePage::TCharset& charset : TCodePage::Charsets())
        if (charset.codePage == codePage)
            return ToQString(charset.name);
    return QStringLiteral("システムの文字コード");
}

} // namespace

TFormPreview::TFormPreview(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("FormPreview"));
    setWindowTitle(QStringLiteral("プレビュー"));
    BuildControls();
    watcher_ = new QFileSystemWatcher(this);
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    connect(settle_, &QTimer::timeout, this, [this] { ReloadIfChanged(); });
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { FileEvent(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { FileEvent(); });
    resize(QSize(ClientWidth, ClientHeight).expandedTo(minimumSizeHint()));
}

TFormPreview::~TFormPreview() = default;

void TFormPreview::BuildControls()
{
    const auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    previous_ = button("ButtonPrevious", QStringLiteral("◀ 前へ"));
    next_ = button("ButtonNext", QStringLiteral("次へ ▶"));
    QPushButton* open = button("ButtonOpenInBrowser", QStringLiteral("ブラウザで開く(&B)"));
    QPushButton* close = button("ButtonClose", QStringLiteral("閉じる(&X)"));
    number_ = new QSpinBox(this);
    number_->setObjectName(QStringLiteral("EditRecordNumber"));
    number_->setRange(1, 99'999'999);
    number_->setKeyboardTracking(false);  // one render when the number is entered
    unit_ = new QLabel(QStringLiteral("レコード"), this);
    unit_->setBuddy(number_);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("TextBrowserPage"));
    browser_->setOpenLinks(false);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    connect(previous_, &QPushButton::clicked, this, [this] { logic_.Previous(); });
    connect(next_, &QPushButton::clicked, this, [this] { logic_.Next(); });
    connect(number_, &QSpinBox::valueChanged, this, [this](int value) { logic_.ShowNumber(value); });
    connect(open, &QPushButton::clicked, this, [this] { logic_.OpenInBrowser(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* bar = new QHBoxLayout;
    bar->addWidget(previous_);
    bar->addWidget(unit_);
    bar->addWidget(number_);
    bar->addWidget(next_);
    bar->addStretch(1);
    bar->addWidget(open);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    layout->addWidget(status_);
}

void TFormPreview::SetNumber(long long number)
{
    const QSignalBlocker quiet(number_);  // showing a number is no request for it
    number_->setValue(static_cast<int>(std::min<long long>(number, number_->maximum())));
}

void TFormPreview::ShowPage(const TPreviewPage& page)
{
    unit_->setText(page.List ? QStringLiteral("ページ") : QStringLiteral("レコード"));
    SetNumber(std::max(1LL, page.Number));
    previous_->setEnabled(page.Number > 1);
    next_->setEnabled(!page.Last);
    if (page.Number == 0) {
        browser_->clear();
        status_->setText(QStringLiteral("このテンプレートとExcelファイルからはページが作成されません。"));
        return;
    }
    browser_->setHtml(ToQString(page.Text));
    QString status = QStringLiteral("%1.html（%2）").arg(ToQString(page.Name), CharsetName(page.CodePage));
    if (page.Text.empty())
        status += QStringLiteral(" このページは空です。HTMLファイルは作成されません。");
    if (page.Last)
        status += QStringLiteral(" 最後のページです。");
    status_->setText(status);
}

void TFormPreview::ShowFailure(const UnicodeString& message, long long number)
{
    SetNumber(number);
    previous_->setEnabled(number > 1);
    next_->setEnabled(true);
    browser_->setPlainText(ToQString(message));
    status_->setText(QStringLiteral("エラーのため、ページを表示できません。"));
}

void TFormPreview::WatchFiles(const std::vector<UnicodeString>& paths)
{
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    files_.clear();
    QStringList folders;
    for (const UnicodeString& path : paths) {
        if (path.empty())
            continue;
        const QFileInfo info(ToQString(path));
        files_ << info.absoluteFilePath();
        // An editor that saves by renaming replaces the file: only its
        // folder hears of that.
        if (!folders.contains(info.absolutePath()))
            folders << info.absolutePath();
    }
    for (const QString& folder : folders)
        if (QFileInfo(folder).isDir())
            watcher_->addPath(folder);
    RewatchFiles();
}

// A file replaced by renaming is a new file: the watch on the old one is
// gone or stale, so every file is watched afresh.
void TFormPreview::RewatchFiles()
{
    const QStringList watched = watcher_->files();
    if (!watched.isEmpty())
        watcher_->removePaths(watched);
    for (const QString& file : files_)
        if (QFileInfo::exists(file))
            watcher_->addPath(file);
}

void TFormPreview::FileEvent()
{
    settle_->start(SettleMs);
}

void TFormPreview::ReloadIfChanged()
{
    if (QApplication::activeModalWidget()) {
        settle_->start(BusyRetryMs);
        return;
    }
    RewatchFiles();
    logic_.FilesChanged();
}

bool TFormPreview::OpenInBrowser(const std::string& bytes)
{
    if (!browserPages_) {
        browserPages_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tabloom-preview-XXXXXX"));
        if (!browserPages_->isValid()) {
            browserPages_.reset();
            return false;
        }
    }
    // A new name each time, so a browser never shows an earlier page from its cache.
    const QString path = browserPages_->filePath(QStringLiteral("preview-%1.html").arg(++browserPageCount_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.flush())
        return false;
    file.close();
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TFormPreview::ShowWarning(const UnicodeString& message)
{
    ShowWarningBox(this, ToQString(message));
}

void TFormPreview::BeginBusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFormPreview::EndBusyCursor()
{
    QApplication::restoreOverrideCursor();
}
