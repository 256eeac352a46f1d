#include "app/TQtWindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

TWindowRect ToRect(const QRect& r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

} // namespace

TWindowGeometry::State TQtWindowGeometry::GetState() const
{
    if (window_.isMinimized())
        return wsMinimized;
    return window_.isMaximized() ? wsMaximized : wsNormal;
}

void TQtWindowGeometry::SetState(State state)
{
    Qt::WindowStates states = window_.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == wsMinimized)
        states |= Qt::WindowMinimized;
    else if (state == wsMaximized)
        states |= Qt::WindowMaximized;
    window_.setWindowState(states);
}

std::optional<TWindowRect> TQtWindowGeometry::GetNormalRect() const
{
    // The window's own rectangle while it is normal; the remembered one otherwise.
    const QRect normal = GetState() == wsNormal ? window_.geometry() : window_.normalGeometry();
    if (!normal.isValid())
        return std::nullopt;
    return ToRect(normal);
}

TWindowRect TQtWindowGeometry::GetRect() const
{
    return ToRect(window_.geometry());
}

void TQtWindowGeometry::SetBounds(int left, int top, int width, int height)
{
    window_.setGeometry(left, top, width, height);
}

void TQtWindowGeometry::Hide()
{
    window_.hide();
}

std::vector<TWindowRect> TQtWindowGeometry::AvailableAreas() const
{
    // The bounds are the inside of the window; its frame must fit as well.
    const QRect inner = window_.geometry();
    const QRect frame = window_.frameGeometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    std::vector<TWindowRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())  // the primary screen comes first
        areas.push_back(ToRect(screen->availableGeometry().marginsRemoved(margins)));
    return areas;
}
