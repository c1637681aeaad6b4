#pragma once

class QComboBox;

namespace tovra {

// Scrolling over the window must never change a laser setting in passing: the drop-down takes
// the mouse wheel only once the operator has given it the focus (a click or Tab), and the wheel
// alone never gives it the focus. The spin edits take no wheel at all.
void takeWheelOnlyWhenFocused(QComboBox *choice);

} // namespace tovra
