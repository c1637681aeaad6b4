#include "firingcounters.h"

#include <algorithm>
#include <cmath>

namespace tovra::sim {

FiringCounters::FiringCounters(uint64_t shots, uint64_t userShots)
    : shotCount(shots)
    , userCount(userShots)
{ }

void FiringCounters::start(PulseMode mode, bool externalTrigger, uint64_t burstCount)
{
    if (mode == PulseMode::SingleShot && !externalTrigger) {
        count(1);
        isFiring = false;
        return;
    }
    isFiring = true;
    counting = !externalTrigger;
    burst = mode == PulseMode::Burst;
    burstRemaining = burstCount;
    pulseFraction = 0;
}

void FiringCounters::stop()
{
    isFiring = false;
    counting = false;
}

void FiringCounters::run(double seconds, double rate)
{
    if (!counting || seconds <= 0 || rate <= 0)
        return;
    pulseFraction += seconds * rate;
    const double whole = std::floor(pulseFraction);
    pulseFraction -= whole;
    uint64_t pulses = static_cast<uint64_t>(whole);
    if (burst) {
        pulses = std::min(pulses, burstRemaining);
        burstRemaining -= pulses;
        if (burstRemaining == 0)
            stop();
    }
    count(pulses);
}

void FiringCounters::count(uint64_t pulses)
{
    shotCount += pulses;
    userCount += pulses;
}

} // namespace tovra::sim
