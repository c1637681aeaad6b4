#pragma once

class QComboBox;

namespace tovra {

// Scrolling over the window must never change a laser setting in passing: the drop-down takes
// the mouse wheel only while it has the focus the operator gave it (a click, Tab or a shortcut).
// The wheel alone never gives it the focus, and neither does the window's own choice of a first
// focus when it opens or is activated. The spin edits take no wheel at all.
void takeWheelOnlyWhenFocused(QComboBox *choice);

} // namespace tovra
