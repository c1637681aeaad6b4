#pragma once

#include "historytypes.h"

#include <QList>
#include <QString>

namespace tovra {

// A data file that the program wrote earlier, read for plotting.
struct DataFileContents
{
    QList<HistorySample> samples;
    int rowsRead = 0;
    int truncatedRows = 0;  // fewer or more fields than the column header names
    int garbageLines = 0;   // no time of day first, or a field that is no number
    int unreadValues = 0;   // empty fields: values the update could not read, left out
    QString error;          // set when the file is not such a data file at all

    // "1200 rows; 2 truncated rows and 1 garbage line skipped; 3 unread values left out", or the error.
    QString note() const;
};

// Reads "Tovra Data File <date>,<time>", the column header and the rows of times and values. The
// rows carry only a time of day: the date comes from the first line and moves on a day whenever
// a row's time is earlier than the one before (the file went on past midnight). Times are the
// local time of the reading machine. Columns are recognised by their names; an unknown column is
// ignored. Damaged rows are skipped and counted, never read as zeros.
DataFileContents readDataFile(const QString &fileName);

} // namespace tovra
