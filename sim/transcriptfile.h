#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tovra::sim {

// The traffic of one simulated laser as a text file, one time-stamped line per line received
// ("<-") and per write of reply bytes ("->"), flushed as it happens. Bytes that are not printable
// (the carriage return, garbage) are written as escapes such as \r or \xff.
class TranscriptFile
{
public:
    bool open(const QString &path);
    void received(const QByteArray &line);
    void sent(const QByteArray &bytes);

private:
    void write(const char *direction, const QByteArray &bytes);

    QFile file;
};

} // namespace tovra::sim
