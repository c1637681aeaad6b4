#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tovra::sim {

// The traffic of one simulated laser as a text file, one time-stamped line per line received
// ("<-") and per write of reply bytes ("->"), flushed as it happens. Bytes that are not printable
// (the carriage return, garbage) are written as escapes such as \r or \xff. Faults that start
// are noted as "!!" lines.
class TranscriptFile
{
public:
    bool open(const QString &path);
    void received(const QByteArray &line);
    void sent(const QByteArray &bytes);
    // A fault that starts or an event of the laser's own, as a "!!" line.
    void note(const QByteArray &text);

private:
    void write(const char *direction, const QByteArray &bytes);

    QFile file;
};

} // namespace tovra::sim
