#pragma once
// Window placement on the screen and over an owner, and the mapping between a bit mask and a row
// of check boxes or option buttons. Needs Qt: built with the forms.
#include <cstdint>
#include <span>

class QWidget;
class QAbstractButton;

namespace VornApp {

// Positions are the outer (frame) rectangle; sizes too. A null window is ignored.
void CenterOnScreen(QWidget* window);
// Centres `window` over `owner`, then keeps it on the screen.
void CenterOnOwner(QWidget* owner, QWidget* window);
// Shrinks the window to the screen, then moves it so that it lies wholly on the screen.
void KeepOnScreen(QWidget* window);

// Position of the window's outer top-left corner in twips, and back.
double LeftTwips(const QWidget* window);
double TopTwips(const QWidget* window);
void MoveToTwips(QWidget* window, double left, double top);

// `controls[i]` is control i of the array; a null entry or an index outside it is a failure.
using Controls = std::span<QAbstractButton* const>;
// The first checked control from `first` to `last`; -1 when none is checked or on failure.
int FindCheckedIndex(Controls controls, int first, int last);
// Checks control i when bit 2^i is set. 0 done, 1 failed (nothing is changed then).
std::uint8_t SetChecksFromMask(Controls controls, int first, int last, std::int32_t mask);
// The sum of 2^i over the checked controls; 0 on failure.
std::int32_t MaskFromChecks(Controls controls, int first, int last);

}  // namespace VornApp
