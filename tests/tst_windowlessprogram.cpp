// The whole program without a window: under a core application with no display, the program finds
// a simulated laser, loads its settings, polls, enables, fires, stops and exits as the window
// would make it do, showing nothing and announcing what happens through its signals.

#include "desktoplinkprompts.h"
#include "laserprogram.h"
#include "laserstate.h"
#include "scripteddesktop.h"
#include "simport.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>

Q_DECLARE_METATYPE(tovra::TrafficDirection)

using namespace std::chrono_literals;
using namespace tovra;
using namespace tovra::test;

namespace {

// The program as an entry point without a window would build it: the scripted desktop answers
// its boxes, the laser is a simulator on port 1 and the working folder a fresh one.
struct WindowlessProgram
{
    explicit WindowlessProgram(const QStringList &arguments = {})
        : laser(ports.add(1))
        , program({state, desktop, prompts, StartSwitches::fromArguments(arguments), {}, createSerialDevice(), {},
                   shortTimings(), QStringLiteral("9.9.9.9")})
    {
    }

    static ProgramTimings shortTimings()
    {
        ProgramTimings timings;
        timings.scanPause = 0ms;
        timings.restartPause = 0ms;
        timings.statusPollInterval = 50ms;
        return timings;
    }

    int statusQueries() const { return int(laser.transcript().count(";LA:SS?")); }

    QTemporaryDir workDir;
    SimPorts ports;
    sim::SimulatedLaser &laser;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts{desktop};
    LaserState state;
    LaserProgram program;
};

} // namespace

class WindowlessProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void programRunsFromScanToExitWithoutAnyWindow();
    void signalsTellLinkFiringSettingsAndTraffic();
    void communicationLogIsWrittenWithoutAWindow();

private:
    QString previousDir;
};

void WindowlessProgramTest::init()
{
    previousDir = QDir::currentPath();
}

void WindowlessProgramTest::cleanup()
{
    QDir::setCurrent(previousDir);
}

void WindowlessProgramTest::programRunsFromScanToExitWithoutAnyWindow()
{
    QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));
    WindowlessProgram rig;
    QDir::setCurrent(rig.workDir.path());

    rig.program.start();
    QVERIFY(!rig.program.hasEnded());
    QCOMPARE(rig.program.port().Port(), 1);
    QVERIFY(!rig.program.laser().modelName.isEmpty());
    QVERIFY(rig.program.laser().serialNumber != 0);
    QVERIFY(rig.laser.transcript().contains(";LC:XL 0"));

    const int before = rig.statusQueries();
    QTRY_VERIFY_WITH_TIMEOUT(rig.statusQueries() >= before + 2, 10000);

    rig.program.setLaserEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(rig.laser.enabled(), 10000);
    rig.program.setFiring(true);
    QTRY_VERIFY_WITH_TIMEOUT(rig.laser.firing(), 10000);
    rig.program.setFiring(false);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.laser.firing(), 10000);

    rig.program.requestExit();
    QTRY_VERIFY_WITH_TIMEOUT(rig.program.hasEnded(), 10000);
    QCOMPARE(rig.laser.transcript().last(), QByteArray(";LA:FL 0"));
    QVERIFY(rig.desktop.shown.isEmpty());
}

void WindowlessProgramTest::signalsTellLinkFiringSettingsAndTraffic()
{
    WindowlessProgram rig;
    QDir::setCurrent(rig.workDir.path());
    QSignalSpy firing(&rig.program, &LaserProgram::firingChanged);
    QSignalSpy settings(&rig.program, &LaserProgram::settingChanged);
    QSignalSpy traffic(&rig.program, &LaserProgram::trafficLine);
    QSignalSpy ended(&rig.program, &LaserProgram::ended);

    rig.program.start();
    QVERIFY(settings.count() > 0);
    QVERIFY(std::any_of(traffic.cbegin(), traffic.cend(), [](const QVariantList &line) {
        return line.at(0).toString().contains(QStringLiteral("XL 0"))
               && line.at(1).value<TrafficDirection>() == TrafficDirection::Sent;
    }));

    rig.program.setLaserEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(rig.laser.enabled(), 10000);
    rig.program.setFiring(true);
    QTRY_VERIFY_WITH_TIMEOUT(firing.contains(QVariantList{true}), 10000);
    rig.program.setFiring(false);
    QTRY_VERIFY_WITH_TIMEOUT(firing.last() == QVariantList{false}, 10000);

    rig.program.requestExit();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
}

void WindowlessProgramTest::communicationLogIsWrittenWithoutAWindow()
{
    WindowlessProgram rig({QStringLiteral("-log")});
    QDir::setCurrent(rig.workDir.path());

    rig.program.start();
    const int before = rig.statusQueries();
    QTRY_VERIFY_WITH_TIMEOUT(rig.statusQueries() > before, 10000);
    const QString logName = rig.program.records().fileName(RecordKind::CommunicationLog);
    rig.program.requestExit();
    QTRY_VERIFY_WITH_TIMEOUT(rig.program.hasEnded(), 10000);

    QFile log(rig.workDir.filePath(logName));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray written = log.readAll();
    QVERIFY(written.contains("Tovra Communication Log File"));
    QVERIFY(written.contains("): ;LA:SS?"));
    QVERIFY(written.contains("): ;LA:FL 0"));
}

QTEST_GUILESS_MAIN(WindowlessProgramTest)
#include "tst_windowlessprogram.moc"
