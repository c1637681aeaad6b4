#include "simtranscript.h"

#include "linelimit.h"

#include <QFile>

#include <algorithm>

namespace tovra::bench {

namespace {

// The transcript shows unprintable bytes as \r, \n, \\ and \xNN; each stands for one byte.
QByteArray unescaped(const QByteArray &text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != '\\' || i + 1 >= text.size()) {
            bytes += text.at(i);
            continue;
        }
        const char kind = text.at(++i);
        if (kind == 'r') {
            bytes += '\r';
        } else if (kind == 'n') {
            bytes += '\n';
        } else if (kind == 'x') {
            bytes += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            bytes += kind;
        }
    }
    return bytes;
}

} // namespace

SimTranscript::SimTranscript(const QString &path)
    : path(path)
{
}

// Lines look like "14:03:07.512 <- ;LA:RR?" and "14:03:07.516 -> 10.0\r". A line still being
// written (no newline yet) is left for the next look.
QList<TrafficLine> SimTranscript::takeNew()
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(consumed))
        return {};
    const QByteArray text = file.readAll();
    const qsizetype complete = text.lastIndexOf('\n') + 1;
    consumed += complete;

    QList<TrafficLine> traffic;
    for (const QByteArray &line : text.left(complete).split('\n')) {
        const qsizetype arrow = line.indexOf(' ');
        const QByteArray direction = line.mid(arrow + 1, 2);
        if (arrow < 0 || (direction != "<-" && direction != "->"))
            continue;
        traffic.append({QTime::fromString(QString::fromLatin1(line.left(arrow)), QStringLiteral("hh:mm:ss.zzz")),
                         direction == "<-", unescaped(line.mid(arrow + 4))});
    }
    return traffic;
}

// Received lines are without their CR LF; written bytes include the reply's CR.
double SimTranscript::lineLimitMs(const QList<TrafficLine> &traffic)
{
    double ms = 0;
    for (const TrafficLine &line : traffic)
        ms += line.received ? wireMs(int(line.bytes.size()) + requestEndBytes) + exchangePauseMs
                            : wireMs(int(line.bytes.size()));
    return ms;
}

int SimTranscript::requestCount(const QList<TrafficLine> &traffic)
{
    return int(std::count_if(traffic.begin(), traffic.end(), [](const TrafficLine &line) { return line.received; }));
}

// The simulator paces a reply from the moment it read the request line: the reply is due after
// the wire time of the request with its CR LF and of the reply.
QStringList SimTranscript::queries(const QList<TrafficLine> &traffic)
{
    QStringList asked;
    for (const TrafficLine &line : traffic) {
        if (line.received && line.bytes.startsWith(";LA:") && line.bytes.endsWith('?'))
            asked.append(QString::fromLatin1(line.bytes.mid(4, line.bytes.size() - 5)));
    }
    return asked;
}

double SimTranscript::simulatorLatenessMs(const QList<TrafficLine> &traffic)
{
    double ms = 0;
    for (qsizetype i = 1; i < traffic.size(); ++i) {
        const TrafficLine &request = traffic.at(i - 1);
        const TrafficLine &reply = traffic.at(i);
        if (!request.received || reply.received)
            continue;
        const int wireBytes = int(request.bytes.size() + requestEndBytes + reply.bytes.size());
        ms += request.at.msecsTo(reply.at) - wireMs(wireBytes);
    }
    return ms;
}

} // namespace tovra::bench
