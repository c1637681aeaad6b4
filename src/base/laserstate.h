#pragma once

#include <QString>

#include <cstdint>

namespace tovra {

// The laser's record: identity, family and options of the connected laser, a mirror of its
// settings and limits, its password lock and the latest measurements. It holds no process flag:
// who is busy, what waits and whether the program ends are the owners' (the scheduler TaskRunner,
// the status poll, the exchange, the fire control, the program), whom readers ask. Exactly one
// exists for the life of the process; the exchange functions, the main window's logic and the
// service window all work on that same instance.
struct LaserState
{
    // Identity, from the "ID" reply.
    QString manufacturerCode;
    QString modelName;
    int32_t serialNumber = 0;
    QString firmwareVersion;
    QString fpgaVersion;

    // Model family and fitted options.
    bool isStandardModel = false;
    bool isMicroModel = false;
    bool isMiniModel = false;
    bool hasHeater0 = false;
    bool hasHeater1 = false;
    bool hasHeater2 = false;
    bool hasAttenuator = false;
    bool hasEnhancedEnergy = false;

    // Operating settings and limits, as last read from or sent to the controller.
    double repRate = 0;
    double repRateMax = 0;
    double repRateMin = 0;
    int32_t pulseMode = 0;
    int32_t diodeTrigger = 0;
    int32_t qswTrigger = 0;
    int32_t burstCount = 0;
    double diodeCurrent = 0;
    double diodeCurrentMax = 0;
    double diodeCurrentMin = 0;
    double diodePulseWidth = 0;
    double diodePulseWidthMax = 0;
    double diodePulseWidthMin = 0;
    double qswDelay = 0;
    double qswDelayMax = 0;
    int32_t syncOutput = 0;
    int32_t qswEnable = 0; // 1 or 0
    int32_t divideByNEnable = 0; // 1 or 0
    int32_t qswWaitCount = 0;
    int32_t divideByN = 0;
    double attenuator = 0;
    int32_t energyMode = 0;
    double heater0Setpoint = 0;
    double heater1Setpoint = 0;
    double heater2Setpoint = 0;

    // Measurements and counters, refreshed by every status poll.
    int32_t statusWord = 0;
    uint64_t shotCount = 0; // the laser counts past 2^32
    uint64_t userCount = 0;
    double bankVoltage = 0;
    double bankVoltageTarget = 0;
    double fetVoltage = 0;
    double fetDropVoltage = 0;
    double fetDrainVoltage = 0;
    double fetSourceVoltage = 0;
    double fetTemperature = 0;
    double diodeCurrentMeasured = 0;
    double resonatorTempA = 0;
    double resonatorTempB = 0;
    double resonatorTemp = 0;
    double heater0Temp = 0;
    double heater1Temp = 0;
    double heater2Temp = 0;
    // The status word's firing bit; the operator's fire and stop set it ahead of the next word.
    bool firing = false;

    // The password lock, as the laser last reported it ("PW?") or took the password.
    bool laserUnlocked = false;
};

} // namespace tovra
