// bench_exchange: typical queries against the paced simulated laser, made through the exchange
// and the serial port exactly as the program makes them, set against the wire's own limit and
// against the same queries scripted with pyserial, side by side in one run.

#include "figures.h"
#include "linelimit.h"
#include "processusage.h"
#include "pyserialpeer.h"
#include "simulatorprocess.h"

#include "communication.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "desktoplinkprompts.h"
#include "scripteddesktop.h"
#include "simport.h"
#include "terminalview.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace tovra;
using namespace tovra::bench;

namespace {

const QStringList Queries = {QStringLiteral("SS"), QStringLiteral("RR"), QStringLiteral("SC"),
                             QStringLiteral("BV"), QStringLiteral("ID")};
constexpr int LaserPort = 1;
constexpr uint32_t ResponseTimeMs = 1000;

int requestBytes(const QString &query)
{
    return int((QStringLiteral(";LA:") + query + QLatin1Char('?')).size());
}

struct Sample
{
    double ms = 0;
    int replyBytes = 0; // without the CR
    bool timedOut = false;
};

// The exchanges of one client, by query. The figures of a "cycle" add up the medians of the
// five queries: one of each, as a status poll mixes short and long replies.
class ExchangeSamples
{
public:
    void add(const QString &query, const Sample &sample)
    {
        ms[query].append(sample.ms);
        limits[query].append(lineLimitMs(requestBytes(query), sample.replyBytes));
        timeouts += sample.timedOut ? 1 : 0;
    }
    double medianMs(const QString &query) const { return median(ms.value(query)); }
    double lineLimit(const QString &query) const { return median(limits.value(query)); }
    double cycleMs() const { return sumOver(&ExchangeSamples::medianMs); }
    double cycleLineLimit() const { return sumOver(&ExchangeSamples::lineLimit); }
    int timedOut() const { return timeouts; }

private:
    double sumOver(double (ExchangeSamples::*figure)(const QString &) const) const
    {
        double sum = 0;
        for (const QString &query : Queries)
            sum += (this->*figure)(query);
        return sum;
    }

    QHash<QString, QList<double>> ms;
    QHash<QString, QList<double>> limits;
    int timeouts = 0;
};

// Queries are never shown in the terminal view; only commands are.
class UnseenView : public TerminalView
{
public:
    void appendTrafficLine(const QString &, TrafficDirection) override { }
    void clearTraffic() override { }
};

// One warm-up exchange, then `count` exchanges of the queries in turn.
template<typename Exchange>
void runQueries(Exchange &client, int count, ExchangeSamples &samples, UsageMeter &usage)
{
    client.exchange(Queries.first());
    usage.begin();
    for (int i = 0; i < count; ++i) {
        const QString &query = Queries.at(i % Queries.size());
        samples.add(query, client.exchange(query));
    }
    usage.end();
}

// The program's own way: the exchange functions over the port component, set up as the main
// window and the connection scan leave them.
class OwnExchange
{
public:
    explicit OwnExchange(bool allowEvents)
        : prompts(desktop)
        , port(prompts)
        , comm(port, state, view, prompts)
    {
        port.setPort(LaserPort);
        port.setBaud(57600);
        port.setParity(TParity::parEven);
        port.setEndOfResponse(QByteArrayLiteral("\r"));
        port.setAllowEvents(allowEvents);
        port.setShowErrors(false);
        port.setResponseTime(ResponseTimeMs);
        if (!port.Open())
            qFatal("cannot open port %d", LaserPort);
    }

    Sample exchange(const QString &query)
    {
        const auto start = std::chrono::steady_clock::now();
        const QString reply = comm.SendAndReceive(query);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        return {elapsed.count(), int(reply.size()), port.TimedOut()};
    }

private:
    test::ScriptedDesktop desktop;
    DesktopLinkPrompts prompts;
    LaserState state;
    UnseenView view;
    TRZComPort port;
    Communication comm;
};

// The floor: bare system calls with nothing around them (pause, write, poll, read), to show how
// much of any client's time the simulated laser itself adds to the line limit.
class BareExchange
{
public:
    explicit BareExchange(const QString &path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios settings {};
        if (fd < 0 || ::tcgetattr(fd, &settings) != 0)
            qFatal("cannot open %s", qPrintable(path));
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B57600);
        settings.c_cflag |= PARENB;
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    ~BareExchange() { ::close(fd); }
    BareExchange(const BareExchange &) = delete;
    BareExchange &operator=(const BareExchange &) = delete;

    Sample exchange(const QString &query)
    {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const QByteArray line = (QStringLiteral(";LA:") + query + QStringLiteral("?\r\n")).toLatin1();
        if (::write(fd, line.constData(), size_t(line.size())) != line.size())
            return {0, 0, true};
        QByteArray reply;
        while (!reply.endsWith('\r')) {
            pollfd watch {fd, POLLIN, 0};
            char buffer[256];
            const ssize_t got = ::poll(&watch, 1, int(ResponseTimeMs)) > 0 ? ::read(fd, buffer, sizeof buffer) : -1;
            if (got <= 0)
                return {0, int(reply.size()), true};
            reply.append(buffer, got);
        }
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        return {elapsed.count(), int(reply.size()) - replyEndBytes, false};
    }

private:
    int fd;
};

QString cycleAgainstLimit(const ExchangeSamples &samples)
{
    return QStringLiteral("median %1, line limit %2, ")
               .arg(milliseconds(samples.cycleMs()), milliseconds(samples.cycleLineLimit()));
}

void reportTimeouts(const QString &client, const ExchangeSamples &samples)
{
    if (samples.timedOut() > 0)
        report(QStringLiteral("WARNING: %1 had %2 timed-out exchanges").arg(client).arg(samples.timedOut()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Exchange time against the line limit and against pyserial."));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Exchanges per client (500)."),
                                         QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds the clients take turns in (5)."),
                                          QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption pythonOption(QStringLiteral("python"),
                                          QStringLiteral("Python with python3-serial (/usr/bin/python3)."),
                                          QStringLiteral("path"), QStringLiteral("/usr/bin/python3"));
    parser.addOptions({countOption, roundsOption, pythonOption});
    parser.process(app);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int perRound = std::max(int(Queries.size()), parser.value(countOption).toInt() / rounds);

    test::SimPorts ports; // maps the port number to a link in a folder of its own
    const QString link = ports.pathOf(LaserPort);
    SimulatorProcess laser(link);

    ExchangeSamples own, ownWithEvents, bare, peer;
    UsageMeter ownUsage, ownWithEventsUsage, bareUsage;
    const PyserialPeer pyserial(parser.value(pythonOption), link);
    double peerCpuSeconds = 0;
    double peerWallSeconds = 0;
    // The clients take turns, so that a change in the machine's load falls on all of them alike.
    // Each holds the port only for its own turn.
    for (int round = 0; round < rounds; ++round) {
        {
            OwnExchange client(false);
            runQueries(client, perRound, own, ownUsage);
        }
        const PeerRun run = pyserial.run(perRound, Queries);
        for (const PeerExchange &exchange : run.exchanges)
            peer.add(exchange.query, {exchange.ms, exchange.replyBytes, exchange.timedOut});
        peerCpuSeconds += run.cpuSeconds;
        peerWallSeconds += run.wallSeconds;
        {
            BareExchange client(link);
            runQueries(client, perRound, bare, bareUsage);
        }
        {
            OwnExchange client(true);
            runQueries(client, perRound, ownWithEvents, ownWithEventsUsage);
        }
    }

    report(QStringLiteral("%1 exchanges per client in %2 rounds against the paced simulator, queries %3")
               .arg(perRound * rounds).arg(rounds).arg(Queries.join(QLatin1Char(' '))));
    for (const QString &query : Queries) {
        report(QStringLiteral("exchange %1: median %2, line limit %3, %4; pyserial %5, bare %6")
                   .arg(query, milliseconds(own.medianMs(query)), milliseconds(own.lineLimit(query)),
                        ratioAgainst(own.medianMs(query) / own.lineLimit(query), 1.10),
                        milliseconds(peer.medianMs(query)), milliseconds(bare.medianMs(query))));
    }
    report(QStringLiteral("exchange (one of each query): ") + cycleAgainstLimit(own)
           + ratioAgainst(own.cycleMs() / own.cycleLineLimit(), 1.10));
    report(QStringLiteral("exchange CPU: %1 s in %2 s, ")
               .arg(ownUsage.cpuSeconds(), 0, 'f', 3)
               .arg(ownUsage.wallSeconds(), 0, 'f', 2)
           + percentAgainst(ownUsage.cpuPercentOfWall(), 5));
    report(QStringLiteral("exchange vs pyserial: median %1, pyserial %2, ")
               .arg(milliseconds(own.cycleMs()), milliseconds(peer.cycleMs()))
           + ratioAgainst(own.cycleMs() / peer.cycleMs(), 1.0));
    report(QStringLiteral("  reference pyserial: ") + cycleAgainstLimit(peer)
           + QStringLiteral("ratio %1, CPU %2 %")
                 .arg(peer.cycleMs() / peer.cycleLineLimit(), 0, 'f', 2)
                 .arg(peerWallSeconds > 0 ? 100.0 * peerCpuSeconds / peerWallSeconds : 0, 0, 'f', 2));
    report(QStringLiteral("  reference bare system calls (the floor this simulator allows): ") + cycleAgainstLimit(bare)
           + QStringLiteral("ratio %1, ours / bare %2, CPU %3 %")
                 .arg(bare.cycleMs() / bare.cycleLineLimit(), 0, 'f', 2)
                 .arg(own.cycleMs() / bare.cycleMs(), 0, 'f', 2)
                 .arg(bareUsage.cpuPercentOfWall(), 0, 'f', 2));
    report(QStringLiteral("  reference with AllowEvents (as after start-up): ") + cycleAgainstLimit(ownWithEvents)
           + QStringLiteral("ratio %1, CPU %2 %")
                 .arg(ownWithEvents.cycleMs() / ownWithEvents.cycleLineLimit(), 0, 'f', 2)
                 .arg(ownWithEventsUsage.cpuPercentOfWall(), 0, 'f', 2));
    reportTimeouts(QStringLiteral("the program's exchange"), own);
    reportTimeouts(QStringLiteral("pyserial"), peer);
    reportTimeouts(QStringLiteral("the bare client"), bare);
    reportTimeouts(QStringLiteral("the exchange with AllowEvents"), ownWithEvents);
    return 0;
}
