#pragma once

#include <QColor>

namespace tovra {

// The colours the main window shows the status word in: a tile per bit, and the fire button's
// caption while it is ready or firing.
inline const QColor SetBitColour(255, 0, 0);
inline const QColor ClearBitColour(255, 255, 255);
inline const QColor ReadyCaptionColour(0, 128, 0);
inline const QColor FiringCaptionColour(255, 0, 0);
// A setting control whose value the last load could not read.
inline const QColor UnreadSettingColour(255, 200, 120);
inline const char UnreadSettingToolTip[] = "Not read from the laser at the last load: shows the value it had before";

} // namespace tovra
