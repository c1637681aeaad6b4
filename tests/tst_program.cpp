#include "simport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tovra;
using namespace std::chrono_literals;

// The built program as an operator starts it, against a simulated laser.
class ProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void interruptTakesTheOrderlyWayOut_data();
    void interruptTakesTheOrderlyWayOut();
};

void ProgramTest::interruptTakesTheOrderlyWayOut_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void ProgramTest::interruptTakesTheOrderlyWayOut()
{
    QFETCH(int, signalNumber);
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(2);
    QTemporaryDir workDir;

    QProcess program;
    program.setWorkingDirectory(workDir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TOVRA_EXECUTABLE), {QStringLiteral("-log")});
    QVERIFY(program.waitForStarted());

    // The stop signals are caught from before the connection on; the program acts on them once
    // its start-up is over.
    QTRY_VERIFY_WITH_TIMEOUT(laser.transcript().contains(";LC:XL 0"), 15000);
    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(laser.transcript().last(), QByteArray(";LA:FL 0"));
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
