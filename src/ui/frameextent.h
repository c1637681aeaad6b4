#pragma once

#include <QSize>

class QWidget;

namespace tovra {

// How much the window manager's frame adds to `window`'s size: measured once the window is
// shown; before that, the frame of a usual desktop theme (8 x 31 px: borders and a title bar),
// so that an outer size asked for before the first show comes out close to right.
QSize frameExtentOf(const QWidget &window);

} // namespace tovra
