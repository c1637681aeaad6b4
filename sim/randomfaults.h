#pragma once

#include "faults.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>

namespace tovra::sim {

// Faults that come and go by chance, for soaking the program: now and then one of them starts and
// lasts a few lines. The choices come from a generator seeded by the caller, so a seed names one
// sequence of faults (the program's timing still varies from run to run).
//
// None of them loses a reply or holds one back longer than about 3 s: after every time-out the
// program asks the operator what to do, and a soak has nobody to answer. Silence and vanishing
// are therefore left to the faults set on purpose.
class RandomFaults
{
public:
    using Clock = std::chrono::steady_clock;

    explicit RandomFaults(uint32_t seed);

    // Called for each received line before it is answered: ends the fault whose lines are used
    // up and may start another. Returns what started, in words (for the transcript), or nothing.
    QByteArray onLine(Faults &faults, Clock::time_point at);

private:
    enum class Kind { ReplyTwice, Late, Unasked, EndlessLine, Echo, Garbage, NonNumeric, Split, Trailing };

    QByteArray begin(Kind kind, Faults &faults, Clock::time_point at);
    static void end(Kind kind, Faults &faults);
    int between(int low, int high);

    std::mt19937 generator;
    std::optional<Kind> current;
    int linesLeft = 0;
};

} // namespace tovra::sim
