#pragma once

// The queries of one status update, in the order the laser hears them (mnemonics without the
// prefix and question mark), for the tests of the update with and without its window.

#include "laserconfig.h"

#include <QByteArray>
#include <QList>

namespace tovra::test {

// `voltages`: the voltage read-outs are updated; `setPointsDue`: this update also reads the
// heaters' set points (every third one).
inline QList<QByteArray> statusQueries(const sim::LaserConfig &laser, bool voltages = true, bool setPointsDue = false)
{
    const bool standard = laser.family == sim::Family::Standard;
    QList<QByteArray> queries = {"SC", "UC"};
    if (voltages)
        queries << "BV" << "AB:BSET" << "FV" << "AB:FDRO" << "AB:FDRA" << "AB:FSOU";
    queries << "FT" << "IM";
    if (standard)
        queries << "TA" << "TB";
    else
        queries << "TR";
    queries << "SS";
    // Heaters 1 and 2 are only looked for on a standard laser without heater 0.
    const bool otherHeaters = standard && !laser.heater0;
    const struct
    {
        bool fitted;
        QByteArray name;
    } heaters[] = {{laser.heater0, "H0"}, {otherHeaters && laser.heater1, "H1"}, {otherHeaters && laser.heater2, "H2"}};
    for (const auto &heater : heaters) {
        if (!heater.fitted)
            continue;
        queries << heater.name + ":TP";
        if (setPointsDue)
            queries << heater.name + ":SP";
    }
    return queries;
}

} // namespace tovra::test
