// bench_sharedport: a script's query through the program's shared port against the same query
// sent directly on the wire to a laser of its own, side by side in one run at line rate. The
// program keeps polling its laser meanwhile, as it does while scripts run.

#include "childprocess.h"
#include "figures.h"
#include "simulatorprocess.h"

#include "simport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

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
constexpr int ReplyLimitMs = 5000;

// A script's client made of plain system calls: optionally the program's own 1 ms pause, the
// query, and its reply up to the CR (on the shared port the LF that follows comes in the same
// write and is taken with it).
class ScriptClient
{
public:
    ScriptClient(const QString &path, bool pause)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC))
        , pause(pause)
    {
        termios settings {};
        if (fd < 0 || ::tcgetattr(fd, &settings) != 0)
            qFatal("cannot open %s", qPrintable(path));
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B57600);
        ::tcsetattr(fd, TCSANOW, &settings);
        ::tcflush(fd, TCIOFLUSH);
    }
    ~ScriptClient() { ::close(fd); }
    ScriptClient(const ScriptClient &) = delete;
    ScriptClient &operator=(const ScriptClient &) = delete;

    // Milliseconds for one query and its reply; negative when no reply came.
    double exchange(const QString &query)
    {
        const auto start = std::chrono::steady_clock::now();
        if (pause)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const QByteArray line = (QStringLiteral(";LA:") + query + QStringLiteral("?\r\n")).toLatin1();
        if (::write(fd, line.constData(), size_t(line.size())) != line.size())
            return -1;
        QByteArray reply;
        while (!reply.endsWith('\r') && !reply.endsWith("\r\n")) {
            pollfd watch {fd, POLLIN, 0};
            char buffer[256];
            const ssize_t got = ::poll(&watch, 1, ReplyLimitMs) > 0 ? ::read(fd, buffer, sizeof buffer) : -1;
            if (got <= 0)
                return -1;
            reply.append(buffer, got);
            if (reply.startsWith('\n'))
                reply.remove(0, 1); // the LF of the previous reply, when it came late
        }
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

private:
    int fd;
    bool pause;
};

struct Samples
{
    QList<double> ms;
    int lost = 0;
    void run(ScriptClient &client, int count)
    {
        client.exchange(Queries.first());
        for (int i = 0; i < count; ++i) {
            const double elapsed = client.exchange(Queries.at(i % Queries.size()));
            if (elapsed < 0)
                ++lost;
            else
                ms.append(elapsed);
        }
    }
};

bool waitForLink(const QString &path, const QProcess &program)
{
    const QDeadlineTimer deadline(60000);
    while (!QFileInfo(path).isSymLink()) {
        if (deadline.hasExpired() || program.state() != QProcess::Running)
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A query through the shared port against the same query on the wire."));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Queries per client (500)."),
                                         QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Rounds the clients take turns in (5)."),
                                          QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({countOption, roundsOption});
    parser.process(app);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int perRound = std::max(int(Queries.size()), parser.value(countOption).toInt() / rounds);

    test::SimPorts ports; // the program finds its laser on port 1 of this folder
    SimulatorProcess programsLaser(ports.pathOf(1));
    QTemporaryDir lab;
    const QString directPath = lab.filePath(QStringLiteral("direct"));
    SimulatorProcess directLaser(directPath);
    const QString sharedPath = lab.filePath(QStringLiteral("share/port"));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TOVRA_PORT_PATTERN"), ports.pattern());
    environment.insert(QStringLiteral("TOVRA_SHARE_PATH"), sharedPath);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(lab.path());
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(program);
    program.start(QStringLiteral(TOVRA_EXECUTABLE), {QStringLiteral("-share")});
    if (!program.waitForStarted() || !waitForLink(sharedPath, program))
        qFatal("the program did not share its port at %s", qPrintable(sharedPath));

    Samples shared, direct, directWithoutPause;
    // The clients take turns, so that a change in the machine's load falls on both alike.
    for (int round = 0; round < rounds; ++round) {
        {
            ScriptClient client(sharedPath, false);
            shared.run(client, perRound);
        }
        {
            ScriptClient client(directPath, true);
            direct.run(client, perRound);
        }
        {
            ScriptClient client(directPath, false);
            directWithoutPause.run(client, perRound);
        }
    }
    program.terminate();
    if (!program.waitForFinished(15000))
        program.kill();

    report(QStringLiteral("%1 queries per client in %2 rounds against the paced simulator, queries %3, the "
                          "program polling its laser once a second")
               .arg(perRound * rounds).arg(rounds).arg(Queries.join(QLatin1Char(' '))));
    report(QStringLiteral("shared port / direct on the wire: median %1 / %2, ")
               .arg(milliseconds(median(shared.ms)), milliseconds(median(direct.ms)))
           + ratioAgainst(median(shared.ms) / median(direct.ms), 1.15));
    report(QStringLiteral("  the direct client pauses 1 ms before each query, as every exchange of the program does; "
                          "without the pause it takes %1 (shared / that %2)")
               .arg(milliseconds(median(directWithoutPause.ms)))
               .arg(median(shared.ms) / median(directWithoutPause.ms), 0, 'f', 2));
    if (shared.lost + direct.lost + directWithoutPause.lost > 0)
        report(QStringLiteral("WARNING: %1 shared and %2 direct queries got no reply")
                   .arg(shared.lost).arg(direct.lost + directWithoutPause.lost));
    return 0;
}
