#pragma once

#include "simtranscript.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace tovra::bench {

// What the data collection file of a run holds, set against the simulated laser's transcript of
// the same run: rows without their columns, and values that the laser never sent for their column.
//
// A value counts as sent for a column when the laser wrote it (as a line of its own, after the
// trimming the program does, in the program's number format) between receiving that column's query
// and the next request: the program sends no request before the reply to the last one, unless it
// gave up waiting, and then a reply taken by the wrong query is a false value too. Unasked lines
// and second copies in that stretch count, since the laser did send them. An empty field is a
// value not read, never a false one.
struct DataFileCheck
{
    int rows = 0;
    int rowsWithoutTheirColumns = 0;
    int columns = 0; // of the header line
    // Column name -> value -> rows holding it, for values the laser did not send.
    QMap<QString, QMap<QString, int>> unsentValues;
    // With a laser whose readings each answer from a range of their own (tovra-sim
    // --distinct-readings): column name -> the query whose range the value lies in ("none" for a
    // value in no query's range, an unasked line) -> rows holding it, for values under a wrong
    // column; and the empty cells (values not read).
    QMap<QString, QMap<QString, int>> wrongColumnValues;
    int emptyCells = 0;
    int wrongColumnCount() const;
    QString wrongColumnSummary() const; // "Diode I: FT x 2; ..."
    int unsentValueCount() const;
    QString unsentSummary() const; // "FET Temp: 0 x 98; ..."
};

// `columnQueries` are the requests (";LA:BV?") behind the data columns after the time, in order.
DataFileCheck checkDataFile(const QString &path, const QList<QByteArray> &columnQueries,
                            const QList<TrafficLine> &traffic);

} // namespace tovra::bench
