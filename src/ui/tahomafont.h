#pragma once

#include <QFont>

namespace tovra {

// The windows' typeface, Tahoma, at a size in pixels. Fontconfig does not list the Tahoma that
// Debian's fonts-wine package installs, so the first call registers that file with the
// application when no other Tahoma is known; without one, Qt falls back to a close sans serif.
// Needs a running QGuiApplication.
QFont tahomaFont(int pixelSize);

} // namespace tovra
