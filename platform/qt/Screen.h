#pragma once
// The screen a window is placed on and the twips in which positions are stored (1440 per inch,
// 15 per pixel at 96 dots per inch).
#include <QRect>

class QWidget;

namespace platform {

// The usable area, in pixels, of the screen under the window's centre (of its own screen, or the
// primary one, when it lies off every screen); the area set by ScopedScreenArea while one exists.
QRect ScreenArea(const QWidget* window = nullptr);

// Fixes the screen area (tests, a monitor that is gone).
class ScopedScreenArea {
public:
    explicit ScopedScreenArea(const QRect& area);
    ~ScopedScreenArea();
    ScopedScreenArea(const ScopedScreenArea&) = delete;
    ScopedScreenArea& operator=(const ScopedScreenArea&) = delete;

private:
    QRect previous_;
};

// From the primary screen's logical dots per inch, wherever a window is, so that a stored
// position means one place on the desktop; 15 when no screen is known.
double TwipsPerPixelX();
double TwipsPerPixelY();

}  // namespace platform
