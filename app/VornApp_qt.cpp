#include <QAbstractButton>
#include <QWidget>
#include <cmath>

#include "app/VornApp.h"
#include "platform/qt/Screen.h"

namespace VornApp {
namespace {

struct Box {
    double left, top, width, height;
};

Box Outer(const QWidget* w) {
    const QRect r = w->frameGeometry();
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

// Resizes so that the outer size becomes the given one; the frame keeps its thickness.
void SetOuterSize(QWidget* w, double width, double height) {
    const QRect outer = w->frameGeometry();
    const int fw = outer.width() - w->width(), fh = outer.height() - w->height();
    w->resize(std::max(0, int(std::lround(width)) - fw),
              std::max(0, int(std::lround(height)) - fh));
}

void MoveOuter(QWidget* w, double left, double top) {
    w->move(int(std::lround(left)), int(std::lround(top)));
}

bool ValidRange(Controls controls, int first, int last) {
    if (first < 0 || last >= int(controls.size()) || last > 30) return false;
    for (int i = first; i <= last; ++i)
        if (!controls[i]) return false;
    return true;
}

}  // namespace

void CenterOnScreen(QWidget* window) {
    if (!window) return;
    const QRect s = platform::ScreenArea(window);
    const Box b = Outer(window);
    MoveOuter(window, s.x() + (s.width() - b.width) / 2, s.y() + (s.height() - b.height) / 2);
}

void CenterOnOwner(QWidget* owner, QWidget* window) {
    if (!window) return;
    if (owner) {
        const Box o = Outer(owner), b = Outer(window);
        MoveOuter(window, o.left + (o.width - b.width) / 2, o.top + (o.height - b.height) / 2);
    }
    KeepOnScreen(window);
}

void KeepOnScreen(QWidget* window) {
    if (!window) return;
    const QRect s = platform::ScreenArea(window);
    Box b = Outer(window);
    if (b.width > s.width() || b.height > s.height()) {
        b.width = std::min(b.width, double(s.width()));
        b.height = std::min(b.height, double(s.height()));
        SetOuterSize(window, b.width, b.height);
        b = Outer(window);  // a window's minimum size may refuse the new size
    }
    // Relative to the screen's own corner, which need not be 0, 0 on a desktop of several.
    double left = b.left - s.x(), top = b.top - s.y();
    if (left + b.width > s.width()) left = s.width() - b.width;
    if (top + b.height > s.height()) top = s.height() - b.height;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    MoveOuter(window, s.x() + left, s.y() + top);
}

double LeftTwips(const QWidget* window) {
    return window->frameGeometry().x() * platform::TwipsPerPixelX();
}

double TopTwips(const QWidget* window) {
    return window->frameGeometry().y() * platform::TwipsPerPixelY();
}

void MoveToTwips(QWidget* window, double left, double top) {
    MoveOuter(window, left / platform::TwipsPerPixelX(),
              top / platform::TwipsPerPixelY());
}

int FindCheckedIndex(Controls controls, int first, int last) {
    if (!ValidRange(controls, first, last)) return -1;
    for (int i = first; i <= last; ++i)
        if (controls[i]->isChecked()) return i;
    return -1;
}

std::uint8_t SetChecksFromMask(Controls controls, int first, int last, std::int32_t mask) {
    if (!ValidRange(controls, first, last)) return 1;
    for (int i = first; i <= last; ++i) controls[i]->setChecked((mask >> i) & 1);
    return 0;
}

std::int32_t MaskFromChecks(Controls controls, int first, int last) {
    if (!ValidRange(controls, first, last)) return 0;
    std::int32_t mask = 0;
    for (int i = first; i <= last; ++i)
        if (controls[i]->isChecked()) mask |= std::int32_t(1) << i;
    return mask;
}

}  // namespace VornApp
