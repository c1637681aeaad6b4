#pragma once

#include <cstdint>

namespace tovra::sim {

// Firing and the two counters it drives. With the internal trigger shots come at the repetition
// rate while firing, a burst stops by itself after its count, and a single shot is one pulse
// that leaves the laser ready again. With the external trigger firing only arms the laser: no
// trigger arrives on a simulated line, so nothing is counted.
class FiringCounters
{
public:
    enum class PulseMode { Continuous = 0, SingleShot = 1, Burst = 2 };

    FiringCounters(uint64_t shots, uint64_t userShots);

    void start(PulseMode mode, bool externalTrigger, uint64_t burstCount);
    void stop();
    // Counts the shots of `seconds` more firing at `rate` pulses per second.
    void run(double seconds, double rate);

    bool firing() const { return isFiring; }
    uint64_t shots() const { return shotCount; }
    uint64_t userShots() const { return userCount; }
    void clearShots() { shotCount = 0; }
    void setUserShots(uint64_t count) { userCount = count; }

private:
    void count(uint64_t pulses);

    bool isFiring = false;
    bool counting = false;
    bool burst = false;
    uint64_t burstRemaining = 0;
    double pulseFraction = 0; // the part of a pulse period already elapsed
    uint64_t shotCount;
    uint64_t userCount;
};

} // namespace tovra::sim
