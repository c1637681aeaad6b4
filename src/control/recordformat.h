#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace tovra {

struct LaserState;

// Number in general format: the shortest form with at most 15 significant digits, "." as the
// decimal separator, no group separator; fixed notation from 0.00001 up to 15 integer digits,
// scientific ("1.5E-6", "2E20") otherwise; zero is "0".
QString formatGeneral(double value);

// "Tovra Communication Log File 12/10/26,5:17:00 AM" and its data file sibling: the user's short
// date and long time formats, in Latin digits; where the user's form holds characters an 8-bit
// record cannot (an AM/PM marker in another script), the C locale's form.
QString fileHeaderLine(const QString &title, const QDateTime &when, const QLocale &locale = QLocale::system());
// The user's long time format, without a time-zone name (a data row's first field), written as
// the header's time is.
QString longTimeText(const QTime &time, const QLocale &locale = QLocale::system());

// The operator's name for the record files: USERNAME, where it is unset or empty USER, then
// LOGNAME (the names Linux desktops set); empty when none is set.
QString userNameFromEnvironment();
// The user name as it goes into a file name: path separators ("/", "\\") and control characters
// become "_", and so does each dot of "..", so that the name stays one file in the working folder.
QString userNameForFileName(const QString &userName);

// Who started this run of the program and when ("MM-dd-yy_hh-mm-ss"): the record files' names.
struct RunStamp
{
    QString userName;
    QString startStamp;
};
// The stamp of a run starting now, by the user the environment names.
RunStamp runStampNow();

QString logFileNameFor(const RunStamp &run);
QString dataFileNameFor(const RunStamp &run);
QString dataColumnHeader(const LaserState &state);
// A measurement of the laser state, named by its field.
using Measurement = double LaserState::*;
// The fields of one data row after its time, by model family and heaters present. A measurement
// in `unread` (the update could not read it) gives an empty field in its place.
QStringList dataRowValues(const LaserState &state, const QList<Measurement> &unread = {});

} // namespace tovra
