#pragma once

#include "channels.h"

#include <QList>
#include <QString>

namespace tovra {

class TrendSource;

struct CsvExportRequest
{
    QString fileName;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    QList<Channel> channels;
    QString programVersion;
};

// Writes the samples of a range as CSV for a spreadsheet: "#" lines with model, serial number,
// firmware and program version, then a row of column names (UTC time, local time, each series
// with its unit) and one row per sample. UTC time is ISO 8601 with milliseconds and "Z"; local
// time is ISO 8601 with its offset from UTC. An absent value is an empty field. The file is
// written beside its final name and renamed when whole, so a failed export leaves no partial
// file (and an earlier file of that name as it was). Returns an empty text, or what went wrong.
QString exportCsv(TrendSource &source, const CsvExportRequest &request);

// A field as CSV needs it: quoted when it holds a comma, quote or line break.
QString csvField(const QString &text);

} // namespace tovra
