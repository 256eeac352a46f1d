#include "app/TQtWindowGeometry.h"

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
