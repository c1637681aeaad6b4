#pragma once

#include <QPoint>
#include <QSize>

class QRect;
class QWidget;

namespace tovra {

// The frame of a usual desktop theme (borders and a title bar), for a window not yet framed.
constexpr QSize assumedFrameExtent(8, 31);

// The outer frame of `window` as the window system reports it now: the frame's margins asked of
// its native window where it has one, since the widget keeps the margins it was last told of
// until it next moves or resizes, which may not happen after the window manager has framed it.
QRect reportedFrame(const QWidget &window);

// Whether that report can be trusted: while a window manager takes a window in, Qt may for a
// moment report margins below zero.
bool frameReportIsSound(const QWidget &window);

// Puts the outer frame's top-left corner at `place`, by the frame as reported now; a window not
// yet framed is placed as if it had none (it is fitted again once framed).
void moveFrameTo(QWidget &window, QPoint place);

// How much the window manager's frame adds to `window`'s size: measured once the window is
// shown and its frame soundly reported; before that, `assumedFrameExtent`, so that an outer size
// asked for before the first show comes out close to right.
QSize frameExtentOf(const QWidget &window);

} // namespace tovra
