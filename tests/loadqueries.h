#pragma once

// The lines a settings load writes to a simulated laser, in order, as the laser receives them.

#include "laserconfig.h"

#include <QByteArray>
#include <QList>

namespace tovra::test {

inline QList<QByteArray> loadQueries(const sim::LaserConfig &laser)
{
    const bool smallFamily = laser.family != sim::Family::Standard;
    QList<QByteArray> queries = {"ID",     "SEC", "RR", "RR:MAX", "RR:MIN", "DC", "DC:MAX", "DC:MIN",
                                 "DW", "DW:MAX", "DW:MIN", "EN",  "BC",     "PM", "DT",     "H0"};
    if (laser.heater0)
        queries << "H0:SP";
    queries << (smallFamily ? "AT:EN" : "AT");
    if (laser.attenuator)
        queries << (smallFamily ? "AT:AP" : "AT");
    if (smallFamily) {
        queries << "CFG";
        if (laser.cfg & 1)
            queries << "EM";
    } else {
        queries << "QD" << "QD:MAX" << "QD:MIN" << "QE" << "QW" << "QT" << "DE" << "DN" << "EM";
        if (!laser.heater0) {
            queries << "H1";
            if (laser.heater1)
                queries << "H1:SP";
            queries << "H2";
            if (laser.heater2)
                queries << "H2:SP";
        }
        queries << "SY";
    }
    if (laser.family == sim::Family::Mini)
        queries << "PW";

    for (QByteArray &query : queries)
        query = ";LA:" + query + '?';
    return queries;
}

} // namespace tovra::test
