#pragma once

#include <QString>

#include <chrono>

namespace tovra {

// Every time the program waits for on its own: how long a reply may take, how often the status
// is polled, the pauses of the connection scan and of a restart, the task timer's tick. The
// defaults are the program's; test rigs shorten them so that the suite does not sit out waits
// whose length is not what a test checks.
struct ProgramTimings
{
    using ms = std::chrono::milliseconds;

    ms responseTime{5000};     // a reply from the laser once it is found
    ms scanResponseTime{100};  // a reply during the connection scan (and before it)
    ms scanPause{100};         // lets a laser settle after its port opens and after the unlock line
    ms statusPollInterval{1000};
    ms restartPause{500};      // between closing the port and the next instance's start
    ms taskTick{5};            // from a request to the task timer's tick
    ms exitReplyTime{1000};    // the longest wait for the reply to the exit's "FL 0"
    ms stopRetry{100};         // between tries of a stop line the port did not take

    // The defaults, with the values named in `text` replaced: comma-separated name=milliseconds
    // pairs, names as the members above ("responseTime=300,statusPollInterval=100"). A name or
    // number that does not read is ignored with a warning, so a typing error never stops the
    // program.
    static ProgramTimings fromText(const QString &text);
    // As fromText, from the test-only environment variable TOVRA_TEST_TIMINGS (the defaults when
    // it is unset). Tests that start the real executable set it; operators have no need to.
    static ProgramTimings fromEnvironment();
};

} // namespace tovra
