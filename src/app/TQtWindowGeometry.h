#pragma once

// The settings' view of a Qt top-level window: its state and its normal
// (restored) rectangle. Borrows the window.

#include "settings/TWindowGeometry.h"

class QWidget;

class TQtWindowGeometry : public TWindowGeometry {
public:
    explicit TQtWindowGeometry(QWidget& window) : window_(window) {}

    State GetState() const override;
    void SetState(State state) override;
    std::optional<TWindowRect> GetNormalRect() const override;
    TWindowRect GetRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void Hide() override;
    std::vector<TWindowRect> AvailableAreas() const override;

private:
    QWidget& window_;
};
