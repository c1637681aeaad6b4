#include "communication.h"
#include "desktoplinkprompts.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "scripteddesktop.h"
#include "simport.h"
#include "trafficview.h"

#include <QTest>

using namespace tovra;
using namespace std::chrono_literals;

namespace {

const QList<QByteArray> Greeting = {";LC:SEC 4093716", ";LA:EC 0", ";LA:ID?", ";LA:ID?"};

sim::LaserConfig modelNamed(const QByteArray &model)
{
    sim::LaserConfig config;
    config.model = model;
    return config;
}

// The port and exchange as start-up has them before the scan.
struct ScanRig
{
    ScanRig()
        : prompts(desktop)
        , port(prompts)
        , comm(port, state, view, prompts)
    {
        port.setParity(TParity::parEven);
    }

    test::SimPorts ports;
    test::ScriptedDesktop desktop;
    DesktopLinkPrompts prompts;
    LaserState state;
    TrafficView view;
    TRZComPort port;
    Communication comm;
};

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT
private slots:
    void laserOnPort7IsGreetedAndKeptOpen();
    void modelNameInOtherLetterCaseIsPassedBy();
    void firstOfTwoLasersIsUsed();
    void laserSlowerThanTheScanIsNotFound();
    void noLaserFoundLeavesThePortClosed();
};

void ConnectionTest::laserOnPort7IsGreetedAndKeptOpen()
{
    ScanRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(7);
    QVERIFY(rig.comm.ConnectToLaser());
    QCOMPARE(rig.port.Port(), 7);
    QVERIFY(rig.port.Opened());
    QCOMPARE(laser.transcript(), Greeting);
    QCOMPARE(rig.state.modelName, QStringLiteral("Tovra"));
    QVERIFY(rig.state.isStandardModel);
    QVERIFY(rig.view.lines().isEmpty());
    QVERIFY(rig.desktop.shown.isEmpty());
    QCOMPARE(rig.port.EndOfResponseRaw(), QByteArray("\r"));
    QCOMPARE(rig.port.Baud(), 57600);
}

void ConnectionTest::modelNameInOtherLetterCaseIsPassedBy()
{
    ScanRig rig;
    sim::SimulatedLaser &impostor = rig.ports.add(3, modelNamed("tovra"));
    sim::SimulatedLaser &laser = rig.ports.add(5, modelNamed("MiniTovra"));
    QVERIFY(rig.comm.ConnectToLaser());
    QCOMPARE(rig.port.Port(), 5);
    QCOMPARE(impostor.transcript(), Greeting);
    QCOMPARE(laser.transcript(), Greeting);
    QVERIFY(rig.state.isMiniModel);
}

void ConnectionTest::firstOfTwoLasersIsUsed()
{
    ScanRig rig;
    rig.ports.add(4);
    sim::SimulatedLaser &second = rig.ports.add(9);
    QVERIFY(rig.comm.ConnectToLaser());
    QCOMPARE(rig.port.Port(), 4);
    QVERIFY(second.transcript().isEmpty());
}

void ConnectionTest::laserSlowerThanTheScanIsNotFound()
{
    ScanRig rig;
    sim::SimulatedLaser &slow = rig.ports.add(2);
    // Well past the scan's 100 ms, so that a loaded machine waking both ends late cannot let the
    // reply in before the scan gives up.
    slow.setReplyDelay(400ms);
    QVERIFY(!rig.comm.ConnectToLaser());
    QVERIFY(!slow.transcript().isEmpty());
}

void ConnectionTest::noLaserFoundLeavesThePortClosed()
{
    ScanRig rig;
    rig.ports.add(12, modelNamed("Tovra2"));
    QVERIFY(!rig.comm.ConnectToLaser());
    QVERIFY(!rig.port.Opened());
    QCOMPARE(rig.port.Port(), 100);
    QVERIFY(rig.desktop.shown.isEmpty());
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
