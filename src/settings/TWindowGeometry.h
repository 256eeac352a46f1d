#pragma once

#include <optional>

#include "text/UnicodeString.h"

// A window's rectangle in pixels (right and bottom are edges, not sizes).
struct TWindowRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// What the settings need of the main window; the application implements it.
class TWindowGeometry {
public:
    enum State : int { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

    virtual ~TWindowGeometry() = default;

    virtual State GetState() const = 0;
    virtual void SetState(State state) = 0;
    // The rectangle the window has when restored; nullopt when the platform
    // cannot tell.
    virtual std::optional<TWindowRect> GetNormalRect() const = 0;
    // The rectangle the window has now.
    virtual TWindowRect GetRect() const = 0;
    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void Hide() = 0;
};

// Shows the settings' warnings (a box with one OK button); the application
// implements it.
class TConfigWarning {
public:
    virtual ~TConfigWarning() = default;
    virtual void ShowWarning(const UnicodeString& message) = 0;
};
