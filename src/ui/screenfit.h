#pragma once

#include <QPoint>
#include <QSize>

#include <functional>

class QRect;
class QScrollArea;
class QWidget;

namespace tovra {

// Where a window's outer frame goes on `available` (a screen's area free of panels): where it
// stands if the whole frame fits there; otherwise moved just enough that as much of it as
// possible is visible, the top-left corner first, so that a frame larger than the area still
// shows its title bar and its top-left part.
QPoint fittedFramePosition(const QRect &frame, const QRect &available);

// The inner size of a window whose contents need `full` and whose frame may take `room` at
// most: `full` where it fits; otherwise as much as fits, with `scrollBarExtent` added across
// each side that then scrolls (a vertical scroll bar takes width), so that no scroll bar hides
// contents that would otherwise be seen.
QSize fittedWindowSize(QSize full, QSize room, int scrollBarExtent);

// Where a window of `frame` may stand on `available` without covering `keepClear` (controls of
// another window that must stay in sight): `frame` where it covers none of it; otherwise beside
// `keepClear` on the side with more room, narrowed to that room (its contents then scroll), as
// long as at least `minimumWidth` is left. When no side leaves that much, covering cannot be
// avoided and `frame` is returned as it is.
QRect frameBeside(const QRect &frame, const QRect &keepClear, const QRect &available, int minimumWidth);

// A scroll area for a window's contents: no frame of its own, the contents at their fixed size,
// scroll bars only where the window is smaller than the contents.
QScrollArea *scrollingContents(QWidget *contents, QWidget *parent);

// Keeps a top-level window's outer frame on the available area of its screen from now on: when
// it is shown, when it changes size, and once more when the window system has put its frame
// around it (until then a common frame is assumed). The window keeps its own position wherever
// it fits; the operator may still move it anywhere.
void keepFrameOnScreen(QWidget *window);

// Sizes a top-level window whose contents (in a scroll area, see scrollingContents) need the
// inner size `full`: where the window fits the available area of its screen with its frame, it
// is fixed at that size, as designed; where it does not, it takes as much of the area as it can,
// its contents scroll, and the operator may resize it up to the full size. Applied again when
// the window is shown and once it is framed. Keeps the frame on the screen as keepFrameOnScreen.
void fitWindowToScreen(QWidget *window, QSize full);

// Whenever the window is fitted to its screen, it also stands aside from `area` (screen pixels,
// read at that moment) as frameBeside does, down to an outer width of `minimumWidth`.
void keepClearOf(QWidget *window, std::function<QRect()> area, int minimumWidth);

} // namespace tovra
