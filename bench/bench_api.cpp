// bench_api: the control API's "status" round trip with 8 clients each asking 20 times a second,
// side by side with one client alone, in one run against the headless program and the paced
// simulator; meanwhile how long the program's status updates take (unchanged by the load?) and
// how soon after an update its event reaches a subscriber.

#include "figures.h"
#include "programprocess.h"
#include "simulatorprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

using namespace tovra;
using namespace tovra::bench;

namespace {

constexpr int ClientsUnderLoad = 8;
constexpr int RequestsPerSecond = 20;

double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, qsizetype(share * double(values.size()))));
}

// One API client on the event loop: asks "status" at its pace (never two at once) and keeps the
// round trips; a subscriber keeps how late each update event came and how long the update took.
class Client : public QObject
{
public:
    Client(const QString &path, bool subscriber)
    {
        socket.connectToServer(path);
        if (!socket.waitForConnected(5000))
            qFatal("no API at %s", qPrintable(path));
        connect(&socket, &QLocalSocket::readyRead, this, [this] { read(); });
        if (subscriber)
            send(R"({"jsonrpc":"2.0","id":0,"method":"subscribe","params":{"events":["update"]}})");
        connect(&pace, &QTimer::timeout, this, [this] {
            if (asked.isValid())
                return; // the last one is still out: the pace is what the program allows
            asked.start();
            send(R"({"jsonrpc":"2.0","id":1,"method":"status"})");
        });
    }
    void startAsking() { pace.start(1000 / RequestsPerSecond); }
    void stopAsking() { pace.stop(); }

    QList<double> roundTrips;
    QList<double> eventDelays;
    QList<double> updateDurations;

private:
    void send(const QByteArray &line) { socket.write(line + '\n'); }
    void read()
    {
        pending += socket.readAll();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QJsonObject message = QJsonDocument::fromJson(pending.left(end)).object();
            pending.remove(0, end + 1);
            if (message.value(QLatin1String("method")) == QLatin1String("update")) {
                const QJsonObject data = message.value(QLatin1String("params")).toObject();
                const QDateTime at = QDateTime::fromString(data.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
                eventDelays.append(double(at.msecsTo(QDateTime::currentDateTimeUtc())));
                updateDurations.append(data.value(QLatin1String("durationMs")).toDouble());
            } else if (message.value(QLatin1String("id")).toInt() == 1 && asked.isValid()) {
                roundTrips.append(double(asked.nsecsElapsed()) / 1e6);
                asked.invalidate();
            }
        }
    }

    QLocalSocket socket;
    QByteArray pending;
    QTimer pace;
    QElapsedTimer asked;
};

void runFor(int seconds)
{
    QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

bool waitForApi(const QString &path, const QProcess &program)
{
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && program.state() == QProcess::Running) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500)) {
            probe.write(R"({"jsonrpc":"2.0","id":1,"method":"status"})" "\n");
            if (probe.waitForReadyRead(5000) && probe.readAll().contains("\"link\":\"connected\""))
                return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    }
    return false;
}

QString spread(const QList<double> &values)
{
    return QStringLiteral("p50 %1, p95 %2").arg(milliseconds(percentile(values, 0.5)), milliseconds(percentile(values, 0.95)));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The API's status round trip under 8 clients against one alone."));
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Seconds of each phase (60)."),
                                           QStringLiteral("s"), QStringLiteral("60"));
    parser.addOption(secondsOption);
    parser.process(app);
    const int seconds = std::max(2, parser.value(secondsOption).toInt());

    QTemporaryDir lab; // mode 0700, as the socket's folder must be
    SimulatorProcess laser(lab.filePath(QStringLiteral("com1")));
    const QString socketPath = lab.filePath(QStringLiteral("api.sock"));
    qputenv("TOVRA_API_PATH", QFile::encodeName(socketPath));
    QProcess program;
    startProgram(program, QStringLiteral(TOVRA_EXECUTABLE), lab.path(), {QStringLiteral("-headless")});
    if (!program.waitForStarted() || !waitForApi(socketPath, program))
        qFatal("the headless program did not serve its API at %s", qPrintable(socketPath));

    // Alone: one asking client and the subscriber.
    Client subscriberAlone(socketPath, true);
    Client alone(socketPath, false);
    alone.startAsking();
    runFor(seconds);
    alone.stopAsking();
    const QList<double> delaysAlone = subscriberAlone.eventDelays;
    const QList<double> durationsAlone = subscriberAlone.updateDurations;

    Client subscriberLoaded(socketPath, true);
    std::vector<std::unique_ptr<Client>> loaded;
    for (int i = 0; i < ClientsUnderLoad; ++i)
        loaded.push_back(std::make_unique<Client>(socketPath, false));
    for (auto &client : loaded)
        client->startAsking();
    runFor(seconds);
    QList<double> roundTripsLoaded;
    for (auto &client : loaded) {
        client->stopAsking();
        roundTripsLoaded += client->roundTrips;
    }
    stop(program);

    report(QStringLiteral("%1 s alone, then %1 s with %2 clients, each asking \"status\" %3 times a second")
               .arg(seconds).arg(ClientsUnderLoad).arg(RequestsPerSecond));
    report(QStringLiteral("status round trip: one client alone %1 (%2 answers); %3 clients %4 (%5 answers, %6 asked)")
               .arg(spread(alone.roundTrips)).arg(alone.roundTrips.size()).arg(ClientsUnderLoad)
               .arg(spread(roundTripsLoaded)).arg(roundTripsLoaded.size())
               .arg(ClientsUnderLoad * RequestsPerSecond * seconds));
    report(QStringLiteral("  p95 under load / target: %1 / 20 ms, ").arg(milliseconds(percentile(roundTripsLoaded, 0.95)))
           + ratioAgainst(percentile(roundTripsLoaded, 0.95) / 20.0, 1.0));
    report(QStringLiteral("status update under load / alone: median %1 / %2, ")
               .arg(milliseconds(median(subscriberLoaded.updateDurations)), milliseconds(median(durationsAlone)))
           + ratioAgainst(median(subscriberLoaded.updateDurations) / std::max(1.0, median(durationsAlone)), 1.10));
    const QList<double> delays = delaysAlone + subscriberLoaded.eventDelays;
    report(QStringLiteral("update event after its update: %1, at most %2 (%3 events; target <= 100 ms, %4)")
               .arg(spread(delays), milliseconds(delays.isEmpty() ? 0 : *std::max_element(delays.begin(), delays.end())))
               .arg(delays.size())
               .arg(percentile(delays, 1.0) <= 100 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    return 0;
}
