#pragma once

#include <QPoint>

class QRect;
class QWidget;

namespace tovra {

// Where a window's outer frame goes on `available` (a screen's area free of panels): where it
// stands if the whole frame fits there; otherwise moved just enough that as much of it as
// possible is visible, the top-left corner first, so that a frame larger than the area still
// shows its title bar and its top-left part.
QPoint fittedFramePosition(const QRect &frame, const QRect &available);

// Keeps a top-level window's outer frame on the available area of its screen from now on: when
// it is shown, when it changes size, and once more when the window system has put its frame
// around it (until then a common frame is assumed). The window keeps its own position wherever
// it fits; the operator may still move it anywhere.
void keepFrameOnScreen(QWidget *window);

} // namespace tovra
