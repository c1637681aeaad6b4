#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

namespace tovra::bench {

// One line of the simulated laser's transcript file: a request line it received (without its
// CR LF) or the bytes it wrote back.
struct TrafficLine
{
    QTime at; // as the simulator stamped it, to the millisecond
    bool received = false;
    QByteArray bytes;
};

// Follows the transcript file that tovra-sim writes with --transcript, taking the lines added
// since the last look.
class SimTranscript
{
public:
    explicit SimTranscript(const QString &path);

    QList<TrafficLine> takeNew();

    // The line limit of the traffic (see lineLimitMs): the exchanges it holds at their wire time.
    static double lineLimitMs(const QList<TrafficLine> &traffic);
    static int requestCount(const QList<TrafficLine> &traffic);
    // The queries the traffic asked, in order: "SC" for a request line ";LA:SC?".
    static QStringList queries(const QList<TrafficLine> &traffic);
    // How much later than their wire time allows the simulator answered, added up over the
    // exchanges: its own share of any time above the line limit. Accurate to about a millisecond
    // per exchange, less when averaged.
    static double simulatorLatenessMs(const QList<TrafficLine> &traffic);

private:
    QString path;
    qint64 consumed = 0;
};

} // namespace tovra::bench
