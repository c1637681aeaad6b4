#pragma once

#include <QColor>

#include <cstdint>

namespace tovra {

// The bits of the laser's status word that the program acts on (each of bits 0 to 13 also has a
// tile of its own), and the colours the window shows them in.
namespace StatusBit {
inline constexpr uint32_t Enabled = 0x0001;
inline constexpr uint32_t Firing = 0x0002;
inline constexpr uint32_t DiodeTempFault = 0x0080;
inline constexpr uint32_t ElectricalTempFault = 0x0100;
inline constexpr uint32_t PowerFail = 0x0200;
inline constexpr uint32_t OkToFire = 0x0800;
} // namespace StatusBit

inline constexpr int StatusTileCount = 14;

inline const QColor SetBitColour(255, 0, 0);
inline const QColor ClearBitColour(255, 255, 255);
inline const QColor ReadyCaptionColour(0, 128, 0);
inline const QColor FiringCaptionColour(255, 0, 0);

} // namespace tovra
