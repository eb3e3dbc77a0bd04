#include "platform/qt/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {
namespace {

QRect fixed_area;  // null: the real screen

// Qt gives even a window not shown yet the screen its position lies on.
const QScreen* ScreenOf(const QWidget* window) {
    if (window && window->screen()) return window->screen();
    return QGuiApplication::primaryScreen();
}

constexpr double kTwipsPerInch = 1440.0;

}  // namespace

QRect ScreenArea(const QWidget* window) {
    if (!fixed_area.isNull()) return fixed_area;
    const QScreen* s = ScreenOf(window);
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

ScopedScreenArea::ScopedScreenArea(const QRect& area) : previous_(fixed_area) { fixed_area = area; }

ScopedScreenArea::~ScopedScreenArea() { fixed_area = previous_; }

double TwipsPerPixelX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchX() : 0;
    return dpi > 0 ? kTwipsPerInch / dpi : 15.0;
}

double TwipsPerPixelY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchY() : 0;
    return dpi > 0 ? kTwipsPerInch / dpi : 15.0;
}

}  // namespace platform
