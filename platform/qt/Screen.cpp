#include "platform/qt/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {
namespace {

QRect fixed_area;  // null: the real screen

// The screen under the window's centre: a window placed on a second monitor, not shown yet,
// still belongs to the primary screen. Off every screen: its own, else the primary one.
const QScreen* ScreenOf(const QWidget* window) {
    if (window) {
        if (QScreen* s = QGuiApplication::screenAt(window->frameGeometry().center())) return s;
        if (window->screen()) return window->screen();
    }
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
