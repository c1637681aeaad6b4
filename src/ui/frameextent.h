#pragma once

#include <QSize>

class QWidget;

namespace tovra {

// The frame of a usual desktop theme (borders and a title bar), for a window not yet framed.
constexpr QSize assumedFrameExtent(8, 31);

// How much the window manager's frame adds to `window`'s size: measured once the window is
// shown; before that, `assumedFrameExtent`, so that an outer size asked for before the first show comes out close to right.
QSize frameExtentOf(const QWidget &window);

} // namespace tovra
