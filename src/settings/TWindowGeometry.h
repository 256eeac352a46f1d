#pragma once

#include <optional>
#include <vector>

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
    // Where the window's rectangle may lie on each screen (the screen less
    // panels and the window's own frame), primary screen first; empty when
    // the platform cannot tell, and restored bounds are then used as stored.
    virtual std::vector<TWindowRect> AvailableAreas() const { return {}; }
};

// The rectangle at `left`, `top` of `width` by `height`, moved, and shrunk
// where it is larger, into the area it overlaps most, or into the first area
// when it overlaps none; as given (edges saturated) without areas.
TWindowRect KeepInside(int left, int top, int width, int height, const std::vector<TWindowRect>& areas);

// Shows the settings' warnings (a box with one OK button); the application
// implements it.
class TConfigWarning {
public:
    virtual ~TConfigWarning() = default;
    virtual void ShowWarning(const UnicodeString& message) = 0;
};
