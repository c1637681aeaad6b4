#pragma once

// What one simulated laser is: its family, identity, fitted options and starting state.

#include <QByteArray>

#include <cstdint>

namespace tovra::sim {

enum class Family { Standard, Micro, Mini };

struct LaserConfig
{
    Family family = Family::Standard;
    // Identity: "ID?" answers manufacturer,model,serial,version where version is
    // firmware + "-" + fpga for the standard family and firmware alone otherwise.
    QByteArray manufacturer = "RZ";
    QByteArray model = "Tovra";          // may be a name the program must reject
    int32_t serialNumber = 1042;
    QByteArray firmware = "1.2.7";
    QByteArray fpga = "1.25.0.3";
    QByteArray identityOverride;          // when not empty, the whole "ID?" reply

    // Fitted options.
    bool heater0 = false;
    bool heater1 = false;
    bool heater2 = false;
    bool attenuator = false;
    int32_t cfg = 0;                      // micro and mini: bit 0 offers the enhanced energy mode
    bool energyModes = true;              // standard family: "EM" known
    bool passwordLocked = false;          // mini family only
    QByteArray password = "tovra";
    bool serviceOpen = false;             // "SEC?" answers 1

    // Counters at power-up; the controller counts in 64 bits, so these may exceed 2^32.
    uint64_t shotCount = 0;
    uint64_t userCount = 0;

    // Every reading of the status poll (counters, voltages, temperatures, currents, heater set
    // points) answers from a range of its own that no other query's answer reaches (see
    // `distinctReadingOffsets` in lasermodel.h), so that a reply taken under the wrong quantity
    // shows. The status word stays as it is.
    bool distinctReadings = false;

    // Replies become readable no sooner than the wire time of request and reply at 57600 8E1.
    bool pacing = true;
};

} // namespace tovra::sim
