#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace tovra::bench {

// CPU time (user + system, every thread) this process has used so far.
double ownCpuSeconds();

// What another running process has used, from /proc; empty once it is gone.
std::optional<double> cpuSecondsOf(qint64 pid);
// The same to the nanosecond, from the scheduler's run time of every thread: fine enough for
// stretches of a few milliseconds.
std::optional<double> runSecondsOf(qint64 pid);
std::optional<double> peakResidentMiB(qint64 pid);       // VmHWM
std::optional<double> residentMiB(qint64 pid);           // VmRSS, now
std::optional<int> openDescriptorsOf(qint64 pid);        // entries of /proc/<pid>/fd
std::optional<qint64> voluntarySwitchesOf(qint64 pid);   // wake-ups of its main thread

// Wall time and this process's CPU time, added up over the measured stretches only.
class UsageMeter
{
public:
    void begin();
    // Ends the stretch and returns its wall time in milliseconds.
    double end();

    double wallSeconds() const { return wall.count(); }
    double cpuSeconds() const { return cpu; }
    double cpuPercentOfWall() const;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point wallStart;
    double cpuStart = 0;
    std::chrono::duration<double> wall {0};
    double cpu = 0;
};

} // namespace tovra::bench
