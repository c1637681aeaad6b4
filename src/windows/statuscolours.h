#pragma once

#include <QColor>

namespace tovra {

// The colours the main window shows the status word in: a tile per bit, and the fire button's
// caption while it is ready or firing.
inline const QColor SetBitColour(255, 0, 0);
inline const QColor ClearBitColour(255, 255, 255);
inline const QColor ReadyCaptionColour(0, 128, 0);
inline const QColor FiringCaptionColour(255, 0, 0);

} // namespace tovra
