#pragma once

#include "historytypes.h"

#include <QString>

namespace tovra::bench {

// A history written straight into the file: one update a second of the twelve series a standard
// laser with heaters 1 and 2 fills, ending at `endMs`, with a shift's fire and stop events.
// Returns the rows written.
qint64 fillHistory(const QString &fileName, const LaserIdentity &laser, qint64 days, qint64 endMs);

// The update `i` of such a history, taken at `utcMs`.
HistorySample filledSample(qint64 utcMs, qint64 i);

// The series such a history fills.
QList<Channel> filledChannels();

} // namespace tovra::bench
