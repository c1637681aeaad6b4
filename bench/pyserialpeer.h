#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tovra::bench {

// One exchange the peer made: its query, how long it took with its 1 ms pause, and the reply's
// byte count without the CR.
struct PeerExchange
{
    QString query;
    double ms = 0;
    int replyBytes = 0;
    bool timedOut = false;
};

// What one run of the peer did: its exchanges in order, and the CPU and wall time of the whole
// run of them (the warm-up, the port's opening and the interpreter's start left out).
struct PeerRun
{
    QList<PeerExchange> exchanges;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

// The yardstick of the exchange benchmarks: bench/peer_exchange.py under the system's Python with
// python3-serial, the same queries against the same laser scripted as a user would write them.
// It opens the port for its run only, so the program must have let go of it meanwhile.
class PyserialPeer
{
public:
    PyserialPeer(const QString &python, const QString &portPath);

    // `count` exchanges of `queries` in turn (one warm-up before them), each framed as the program
    // frames a query (";LA:" + query + "?").
    PeerRun run(int count, const QStringList &queries) const;

private:
    QString python;
    QString path;
};

} // namespace tovra::bench
