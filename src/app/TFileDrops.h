#pragma once

// Files dropped on the main window. A file (or, on the output field, a
// folder) dropped on a path field replaces the field's text with its local
// path, never a file:// URL spliced into the old text; a project file
// dropped anywhere on the window opens as 開く does. The window owns this
// filter; the fields it watches are the window's.

#include <functional>

#include <QObject>
#include <QString>

#include "text/UnicodeString.h"

class QLineEdit;
class QMimeData;
class QWidget;

enum class TDropKind { File, Folder };

// The local path of a drag that carries exactly one local file (or folder,
// by `kind`); empty for anything else.
QString DroppedPath(const QMimeData* data, TDropKind kind);

class TFileDrops : public QObject {
public:
    // Watches `window`, opening a dropped project file with `openProject`.
    TFileDrops(QWidget* window, std::function<void(const UnicodeString&)> openProject);

    // Watches a path field that takes a local path of `kind`.
    void AddPathField(QLineEdit* edit, TDropKind kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleWindow(QEvent* event);
    bool HandleField(QLineEdit* edit, QEvent* event);

    QWidget* window_;
    std::function<void(const UnicodeString&)> openProject_;
};
