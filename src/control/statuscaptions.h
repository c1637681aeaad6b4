#pragma once

#include <QStringList>

namespace tovra {

struct LaserState;

// The captions of the status tiles, bit 0 to 13, for the connected laser: the full-size family's,
// or the small families' ("Unused" where a bit means nothing there; bit 13 "Enh. Energy" only on a
// laser with the enhanced energy mode). The window's tiles and the control API's bit names both
// read them.
QStringList statusCaptions(const LaserState &state);
// The standard family's captions, also shown in demo mode.
QStringList standardStatusCaptions();

// A small family's caption of a bit that means nothing there.
inline const QString UnusedStatusBit = QStringLiteral("Unused");

} // namespace tovra
