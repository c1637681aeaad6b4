#pragma once

#include <QString>

namespace tovra {

// Where the exchange records its traffic (the communication log, when one is kept). Lines come
// whole and time-stamped, with control characters escaped, so that each stays one line.
class TrafficLog
{
public:
    virtual ~TrafficLog() = default;
    virtual void writeTrafficLine(const QString &line) = 0;
};

} // namespace tovra
