#pragma once

#include <cstdint>

namespace tovra {

// The bits of the laser's status word that the program acts on (each of bits 0 to 13 also has a
// tile of its own).
namespace StatusBit {
inline constexpr uint32_t Enabled = 0x0001;
inline constexpr uint32_t Firing = 0x0002;
inline constexpr uint32_t QSwitchEnabled = 0x0004; // the standard family's "QE"
inline constexpr uint32_t DiodeTempFault = 0x0080;
inline constexpr uint32_t ElectricalTempFault = 0x0100;
inline constexpr uint32_t PowerFail = 0x0200;
inline constexpr uint32_t OkToFire = 0x0800;
} // namespace StatusBit

inline constexpr int StatusTileCount = 14;

} // namespace tovra
