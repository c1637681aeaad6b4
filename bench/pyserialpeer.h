#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tovra::bench {

// One exchange the peer made: its query, how long it took with its 1 ms pause, the reply's byte
// count without the CR, and when the reply was complete (since the port's opening for the run began).
struct PeerExchange
{
    QString query;
    double ms = 0;
    int replyBytes = 0;
    bool timedOut = false;
    double replyEndMs = 0;
};

// What one run of the peer did: its exchanges in order, the CPU and wall time of the whole run of
// them, and the wall time of the port's opening just before them (the interpreter's start and the
// warm-up, on a first opening of its own, left out). The opening ends where the exchanges begin.
struct PeerRun
{
    QList<PeerExchange> exchanges;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double openSeconds = 0;
};

// The yardstick of the exchange benchmarks: bench/peer_exchange.py under the system's Python with
// python3-serial, the same queries against the same laser scripted as a user would write them.
// It opens the port for its run only, so the program must have let go of it meanwhile.
class PyserialPeer
{
public:
    PyserialPeer(const QString &python, const QString &portPath);

    // `count` exchanges of `queries` in turn, each framed as the program frames a query (";LA:" +
    // query + "?"), on a port opened for them; one warm-up exchange before, on an opening of its own.
    PeerRun run(int count, const QStringList &queries) const;

private:
    QString python;
    QString path;
};

} // namespace tovra::bench
