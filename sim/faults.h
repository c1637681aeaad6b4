#pragma once

// The faults a simulated laser can put on the line, as its serving thread reads them for each
// line. Set through SimulatedLaser; the random fault mode (randomfaults.h) changes them itself.

#include "linetrigger.h"

#include <QByteArray>

#include <chrono>
#include <map>
#include <optional>

namespace tovra::sim {

struct Faults
{
    using Clock = std::chrono::steady_clock;

    // Lines that arrive are recorded but not carried out or answered.
    bool silent = false;
    std::optional<Clock::time_point> silentUntil;
    std::optional<LineTrigger> silenceAt;
    std::chrono::milliseconds silenceLength {0};

    // The reply itself.
    std::chrono::milliseconds delay {0};
    std::map<QByteArray, std::chrono::milliseconds> lineDelays; // on top of `delay`, exact line
    bool garbage = false;
    bool nonNumeric = false;
    std::optional<std::chrono::milliseconds> splitGap;
    QByteArray trailing;
    std::map<QByteArray, QByteArray> overrides;
    bool replyTwice = false;
    bool echo = false;

    // Bytes nobody asked for: a line written again and again, or one that never ends. Replies
    // due while the endless line runs follow it when it ends.
    QByteArray unaskedLine;
    std::chrono::milliseconds unaskedEvery {0};
    std::optional<Clock::time_point> endlessUntil;

    std::optional<LineTrigger> vanishAt;
};

} // namespace tovra::sim
