#include "app/TFileDrops.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "app/TQtDialogs.h"

namespace {

// The single local path a drag carries, whatever it names; empty otherwise.
QString SingleLocalPath(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    return urls.front().toLocalFile();
}

QString DroppedProject(const QMimeData* data)
{
    const QString path = DroppedPath(data, TDropKind::File);
    return path.endsWith(QStringLiteral(".tbm"), Qt::CaseInsensitive) ? path : QString();
}

bool IsDrag(const QEvent* event)
{
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
}

} // namespace

QString DroppedPath(const QMimeData* data, TDropKind kind)
{
    const QString path = SingleLocalPath(data);
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    const bool fits = kind == TDropKind::Folder ? info.isDir() : info.isFile();
    return fits ? path : QString();
}

TFileDrops::TFileDrops(QWidget* window, std::function<void(const UnicodeString&)> openProject)
    : QObject(window), window_(window), openProject_(std::move(openProject))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

void TFileDrops::AddPathField(QLineEdit* edit, TDropKind kind)
{
    edit->setProperty("tabloomDropKind", static_cast<int>(kind));
    edit->installEventFilter(this);
}

bool TFileDrops::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsDrag(event) && event->type() != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    if (watched == window_)
        return HandleWindow(event);
    if (auto* edit = qobject_cast<QLineEdit*>(watched))
        return HandleField(edit, event);
    return QObject::eventFilter(watched, event);
}

bool TFileDrops::HandleWindow(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QString project = DroppedProject(drop->mimeData());
    if (project.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        openProject_(FromQString(project));
    return true;
}

bool TFileDrops::HandleField(QLineEdit* edit, QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!data || !data->hasUrls())
        return false;  // dragged text is the field's own business
    // A project file is never a field's input: it opens, wherever it lands.
    if (!DroppedProject(data).isEmpty())
        return HandleWindow(event);
    const auto kind = static_cast<TDropKind>(edit->property("tabloomDropKind").toInt());
    const QString path = DroppedPath(data, kind);
    if (path.isEmpty()) {
        drop->ignore();  // never the URL as text
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        edit->setText(path);
        edit->setFocus();
    }
    return true;
}
