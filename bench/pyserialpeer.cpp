#include "pyserialpeer.h"

#include <QProcess>

namespace tovra::bench {

namespace {

// The peer gives up on a reply after a second; the rest is the interpreter's start.
constexpr int PeerReplyLimitMs = 1000;
constexpr int PeerStartLimitMs = 30000;

} // namespace

PyserialPeer::PyserialPeer(const QString &pythonPath, const QString &portPath)
    : python(pythonPath)
    , path(portPath)
{
}

PeerRun PyserialPeer::run(int count, const QStringList &queries) const
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(python, QStringList{QStringLiteral(PEER_EXCHANGE_SCRIPT), path, QString::number(count)} + queries);
    if (!script.waitForFinished((count + 1) * PeerReplyLimitMs + PeerStartLimitMs) || script.exitCode() != 0)
        qFatal("%s %s failed; is python3-serial installed (scripts/install-deps.sh)?", qPrintable(python),
               PEER_EXCHANGE_SCRIPT);
    PeerRun run;
    for (const QByteArray &line : script.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2 && words.at(0) == "open") {
            run.openSeconds = words.at(1).toDouble();
        } else if (words.size() == 3 && words.at(0) == "usage") {
            run.cpuSeconds = words.at(1).toDouble();
            run.wallSeconds = words.at(2).toDouble();
        } else if (words.size() == 4) {
            const bool timedOut = words.at(2) == "timeout";
            run.exchanges.append({QString::fromLatin1(words.at(0)), words.at(1).toDouble(),
                                  timedOut ? 0 : words.at(2).toInt(), timedOut, words.at(3).toDouble()});
        }
    }
    return run;
}

} // namespace tovra::bench
