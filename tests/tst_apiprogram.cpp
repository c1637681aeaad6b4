// The control API end to end: the built program run headless against a simulated laser, its API
// used by several clients at once.
#include "testshard.h"
#include "apiclient.h"
#include "builtfiles.h"
#include "simport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace tovra;
using namespace tovra::test;
using namespace std::chrono_literals;

namespace {

// `tovra -headless` in a folder of its own, its API socket and shared port in that folder.
class HeadlessProgram
{
public:
    explicit HeadlessProgram(const QStringList &switches = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TOVRA_TEST_TIMINGS"),
                           QStringLiteral("responseTime=2000,exitReplyTime=200,statusPollInterval=200,scanPause=0"));
        environment.insert(QStringLiteral("TOVRA_API_PATH"), socketPath());
        environment.insert(QStringLiteral("TOVRA_SHARE_PATH"), workDir.filePath(QStringLiteral("port")));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workDir.path());
        process.start(programFile(), QStringList{QStringLiteral("-headless")} + switches);
    }
    ~HeadlessProgram()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    QString socketPath() const { return workDir.filePath(QStringLiteral("api.sock")); }
    // Waits until the API answers and the laser is polled.
    bool waitForPolling()
    {
        return QTest::qWaitFor([this] {
            test::ApiClient probe(socketPath());
            return probe.isConnected()
                   && resultOf(probe.call(QStringLiteral("status"), {}, 2s)).value(QLatin1String("link")) == QLatin1String("connected");
        }, 30000);
    }
    std::unique_ptr<test::ApiClient> client(const QString &name = QString())
    {
        auto made = std::make_unique<test::ApiClient>(socketPath());
        if (!name.isEmpty())
            made->call(QStringLiteral("control.acquire"), params({{"name", name}}));
        return made;
    }
    // The id the program gave `client` ("api#7").
    static QString idOf(test::ApiClient &client)
    {
        return resultOf(client.call(QStringLiteral("identify"))).value(QLatin1String("client")).toString();
    }
    QByteArray logText() const
    {
        const QStringList logs = QDir(workDir.path()).entryList({QStringLiteral("TovraLogFile_*")}, QDir::Files);
        QFile file(workDir.filePath(logs.value(0)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir workDir;
    QProcess process;
};

// The laser enabled by `controller` and ready to fire.
bool enabledAndReady(test::ApiClient &controller, sim::SimulatedLaser &laser)
{
    if (!succeeded(controller.call(QStringLiteral("enable"))))
        return false;
    return QTest::qWaitFor([&] {
        controller.call(QStringLiteral("ping"));
        return laser.enabled()
               && resultOf(controller.call(QStringLiteral("status"))).value(QLatin1String("bits")).toObject()
                      .value(QLatin1String("Ok to Fire")).toBool();
    }, 15000);
}

} // namespace

class ApiProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void headlessStartsPollsServesAndStopsTheLaserOnSigterm()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(2);
        HeadlessProgram program({QStringLiteral("-log")});
        QVERIFY(program.waitForPolling());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += program.process.readAllStandardOutput()).contains("link connected"), 15000);
        QVERIFY(QFile::exists(program.workDir.filePath(QStringLiteral("port"))));
        auto client = program.client();
        const QJsonObject identity = resultOf(client->call(QStringLiteral("identify")));
        QVERIFY(identity.value(QLatin1String("serial")).toInt() > 0);
        QVERIFY(!identity.value(QLatin1String("model")).toString().isEmpty());
        ::kill(pid_t(program.process.processId()), SIGTERM);
        QVERIFY(program.process.waitForFinished(15000));
        QCOMPARE(program.process.exitCode(), 0);
        QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
        QVERIFY(!QFile::exists(program.socketPath()));
    }

    // The bits are named as the window's tiles are captioned for that laser; a bit that means
    // nothing on it has no name.
    void statusNamesTheBitsAsTheTilesOfThatLaser_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("cfg");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("unnamed");
        QTest::newRow("standard") << int(sim::Family::Standard) << 0 << "High Pwr Mode" << "Enh. Energy";
        QTest::newRow("micro without the enhanced mode") << int(sim::Family::Micro) << 0 << "Normal Energy" << "Enh. Energy";
        QTest::newRow("micro with the enhanced mode") << int(sim::Family::Micro) << 1 << "Enh. Energy" << "Q-SW Enable";
    }
    void statusNamesTheBitsAsTheTilesOfThatLaser()
    {
        QFETCH(int, family);
        QFETCH(int, cfg);
        QFETCH(QString, named);
        QFETCH(QString, unnamed);
        sim::LaserConfig config = test::laserOfFamily(sim::Family(family));
        config.cfg = cfg;
        test::SimPorts ports;
        ports.add(1, config);
        HeadlessProgram program(QStringList{});
        QVERIFY(program.waitForPolling());
        const QJsonObject bits
            = resultOf(program.client()->call(QStringLiteral("status"))).value(QLatin1String("bits")).toObject();
        QVERIFY2(bits.contains(named), QJsonDocument(bits).toJson().constData());
        QVERIFY2(!bits.contains(unnamed), QJsonDocument(bits).toJson().constData());
        QVERIFY(!bits.contains(QLatin1String("Unused")));
    }

    void severalClientsWatchWhileControlPassesFromOneToAnother()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        HeadlessProgram program({QStringLiteral("-log")});
        QVERIFY(program.waitForPolling());
        std::vector<std::unique_ptr<test::ApiClient>> watchers;
        for (int i = 0; i < 3; ++i) {
            watchers.push_back(program.client());
            QVERIFY(succeeded(watchers.back()->call(QStringLiteral("subscribe"), params({{"events", QJsonArray{"update", "setting"}}}))));
        }
        for (auto &watcher : watchers)
            QVERIFY(!watcher->events(2, 15s).isEmpty());

        auto alpha = program.client(QStringLiteral("alpha"));
        auto beta = program.client();
        const QJsonObject refused = beta->call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 20}}));
        QCOMPARE(errorCode(refused), -32001);
        const QString alphaId = HeadlessProgram::idOf(*alpha);
        QCOMPARE(errorMessage(refused), QStringLiteral("Control is held by %1 (alpha)").arg(alphaId));
        QVERIFY(succeeded(alpha->call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 20}}))));
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:RR 20.0"), 10000);
        // Every watcher hears the new setting.
        const auto heardRepRate20 = [](test::ApiClient &watcher) {
            const QList<QJsonObject> settings = watcher.eventsOf(QStringLiteral("setting"));
            return std::any_of(settings.cbegin(), settings.cend(), [](const QJsonObject &event) {
                const QJsonObject data = event.value(QLatin1String("params")).toObject();
                return data.value(QLatin1String("name")) == QLatin1String("RR") && data.value(QLatin1String("value")).toDouble() == 20;
            });
        };
        for (auto &watcher : watchers)
            QTRY_VERIFY_WITH_TIMEOUT(heardRepRate20(*watcher), 10000);
        QVERIFY(succeeded(alpha->call(QStringLiteral("control.release"))));
        QVERIFY(succeeded(beta->call(QStringLiteral("control.acquire"))));
        QVERIFY(succeeded(beta->call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 30}}))));
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:RR 30.0"), 10000);
        // The log tells who set what.
        QTRY_VERIFY_WITH_TIMEOUT(program.logText().contains(QStringLiteral("): [API %1 (alpha)] ;LA:RR 20.0").arg(alphaId).toUtf8()), 10000);
        QVERIFY(program.logText().contains(QStringLiteral("): [API %1] ;LA:RR 30.0").arg(HeadlessProgram::idOf(*beta)).toUtf8()));
    }

    void aClientsBadInputNeverReachesTheLaser()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        HeadlessProgram program;
        QVERIFY(program.waitForPolling());
        auto client = program.client(QStringLiteral("clumsy"));
        laser.clearTranscript();
        QCOMPARE(errorCode(client->sendLine("RR 20")), -32700);
        const QJsonObject outOfRange = client->call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 5000}}));
        QCOMPARE(errorCode(outOfRange), -32602);
        QVERIFY2(errorMessage(outOfRange).contains(QLatin1String("allowed a number from")), qPrintable(errorMessage(outOfRange)));
        QCOMPARE(errorCode(client->call(QStringLiteral("raw"), params({{"line", "RR 20\nFL 1"}}))), -32602);
        QCOMPARE(errorCode(client->call(QStringLiteral("fire"))), -32002);
        QCOMPARE(errorCode(client->call(QStringLiteral("raw"), params({{"line", "FL 1"}}))), -32002);
        // Two more polls, and nothing but polls went out.
        const qsizetype polls = laser.transcript().count(";LA:SS?");
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().count(";LA:SS?") >= polls + 2, 10000);
        for (const QByteArray &line : laser.transcript())
            QVERIFY2(!line.contains("RR ") && !line.contains("FL 1"), line.constData());
        // A raw query is answered with the laser's reply.
        const QJsonObject reply = client->call(QStringLiteral("raw"), params({{"line", "RR?"}}));
        QVERIFY(!resultOf(reply).value(QLatin1String("reply")).toString().isEmpty());
    }

    void aMissedLeaseStopsTheLaser()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        HeadlessProgram program({QStringLiteral("-log"), QStringLiteral("-remotefiring")});
        QVERIFY(program.waitForPolling());
        auto controller = program.client(QStringLiteral("forgetful"));
        QVERIFY(enabledAndReady(*controller, laser));
        QVERIFY(succeeded(controller->call(QStringLiteral("fire"))));
        QTRY_VERIFY_WITH_TIMEOUT(laser.firing(), 10000);
        // No ping from now on: within the 2 s lease (and a poll) the laser stops.
        QTRY_VERIFY_WITH_TIMEOUT(!laser.firing(), 10000);
        QVERIFY(laser.transcript().contains(";LA:FL 0"));
        const QString note = QStringLiteral("API client %1 (forgetful) sent no ping for 2 s while the laser fired: laser stopped")
                                 .arg(HeadlessProgram::idOf(*controller));
        QTRY_VERIFY_WITH_TIMEOUT(program.logText().contains(note.toUtf8()), 10000);
    }

    void aDroppedControllerStopsTheLaserAndAnObserverMayStopIt()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        HeadlessProgram program({QStringLiteral("-log"), QStringLiteral("-remotefiring")});
        QVERIFY(program.waitForPolling());
        QString droppedId;
        {
            auto controller = program.client(QStringLiteral("dropped"));
            droppedId = HeadlessProgram::idOf(*controller);
            QVERIFY(enabledAndReady(*controller, laser));
            QVERIFY(succeeded(controller->call(QStringLiteral("fire"))));
            QTRY_VERIFY_WITH_TIMEOUT(laser.firing(), 10000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!laser.firing(), 10000);
        const QString note = QStringLiteral("API client %1 (dropped) disconnected while in control: laser stopped").arg(droppedId);
        QTRY_VERIFY_WITH_TIMEOUT(program.logText().contains(note.toUtf8()), 10000);

        auto controller = program.client(QStringLiteral("steady"));
        auto observer = program.client();
        QVERIFY(enabledAndReady(*controller, laser));
        QVERIFY(succeeded(controller->call(QStringLiteral("fire"))));
        QTRY_VERIFY_WITH_TIMEOUT(laser.firing(), 10000);
        QVERIFY(succeeded(observer->call(QStringLiteral("stop"))));
        QTRY_VERIFY_WITH_TIMEOUT(!laser.firing(), 10000);
    }

    void tovractlSaysWhatItGotByItsExitStatus()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        QTemporaryDir nowhere;
        QString socketPath = nowhere.filePath(QStringLiteral("api.sock"));
        const auto tovractl = [&socketPath](const QStringList &arguments, QByteArray *output = nullptr) {
            QProcess client;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TOVRA_API_PATH"), socketPath);
            client.setProcessEnvironment(environment);
            client.start(clientFile(), arguments);
            client.waitForFinished(20000);
            if (output)
                *output = client.readAllStandardOutput() + client.readAllStandardError();
            return client.exitCode();
        };
        QCOMPARE(tovractl({QStringLiteral("status")}), 2); // no program runs
        HeadlessProgram program;
        socketPath = program.socketPath();
        QVERIFY(program.waitForPolling());
        QByteArray output;
        QCOMPARE(tovractl({QStringLiteral("status")}, &output), 0);
        QVERIFY2(output.contains("link: connected"), output.constData());
        QCOMPARE(tovractl({QStringLiteral("--json"), QStringLiteral("get"), QStringLiteral("RR")}, &output), 0);
        QVERIFY2(output.startsWith("{") && output.contains("\"unit\":\"Hz\""), output.constData());
        QCOMPARE(tovractl({QStringLiteral("set"), QStringLiteral("RR"), QStringLiteral("25")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:RR 25.0"), 10000);
        QCOMPARE(tovractl({QStringLiteral("set"), QStringLiteral("RR"), QStringLiteral("9999")}, &output), 1);
        QVERIFY2(output.contains("out of range"), output.constData());
        QCOMPARE(tovractl({QStringLiteral("fire")}, &output), 1); // remote firing not allowed
        QCOMPARE(tovractl({QStringLiteral("stop")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LA:FL 0"), 10000);
    }

    void aClientThatNeverReadsHoldsNothingUp()
    {
        test::SimPorts ports;
        sim::SimulatedLaser &laser = ports.add(1);
        HeadlessProgram program;
        QVERIFY(program.waitForPolling());
        auto sleeper = program.client();
        sleeper->call(QStringLiteral("subscribe"));
        sleeper->pauseReading(true);
        auto other = program.client();
        // Every line of traffic is an event for the sleeper: many polls' worth.
        const qsizetype polls = laser.transcript().count(";LA:SS?");
        QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().count(";LA:SS?") >= polls + 5, 30000);
        QVERIFY(succeeded(other->call(QStringLiteral("status"), {}, 2s)));
        // What it missed is its own loss: it is still served once it reads.
        sleeper->pauseReading(false);
        QVERIFY(!sleeper->events(1, 30s).isEmpty());
    }
};

TOVRA_TEST_GUILESS_MAIN(ApiProgramTest)
#include "tst_apiprogram.moc"
