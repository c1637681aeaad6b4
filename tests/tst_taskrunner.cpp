// The task timer and the command queue without a window: a runner on a simulated laser, with
// the window's part played by callbacks that note when they are called.

#include "linkrig.h"
#include "stallingdevice.h"
#include "taskrunner.h"

#include <QElapsedTimer>
#include <QTest>

using namespace tovra;

namespace {

using Lines = QList<QByteArray>;

// What the window would be asked to do and what it would show as sent, in one list: a sent line
// as it stands on the terminal without its time stamp, a callback by its name.
class EventLog
{
public:
    std::function<void()> noting(const QString &event)
    {
        return [this, event] { events.append(event); };
    }

    QStringList events;
};

// A source of outside lines (a script's, the API's) whose turn shows in the log by its name.
class NotedLines : public WaitingLines
{
public:
    NotedLines(EventLog &eventLog, const QString &sourceName)
        : log(eventLog)
        , name(sourceName)
    {
    }
    bool hasWaitingLines() const override { return waiting; }
    void sendWaitingLines(const std::function<bool()> &turnLasts) override
    {
        if (waiting && turnLasts()) {
            waiting = false;
            log.events.append(name);
        }
    }
    void withdrawFiringLines() override { log.events.append(QStringLiteral("withdraw firing ") + name); }

    bool waiting = false;

private:
    EventLog &log;
    const QString name;
};

// A port on a simulated laser with the exchange and the runner on top, as the program has them
// after start-up.
struct RunnerRig : test::LinkRig
{
    explicit RunnerRig(std::unique_ptr<SerialDevice> device = createSerialDevice())
        : LinkRig({}, std::move(device))
        , runner(comm, port,
                 {
                     // A load runs with the status timer paused.
                     .loadSettings = [this] {
                         log.events.append(runner.pollingActive() ? QStringLiteral("load settings while polling")
                                                                  : QStringLiteral("load settings"));
                     },
                     .unlockLaser = log.noting(QStringLiteral("unlock")),
                     .readBackEnergyMode = log.noting(QStringLiteral("read back energy mode")),
                     .rawLineAnswered = {},
                     .followStopLine = [this](const QString &line) { log.events.append(QStringLiteral("follow ") + line); },
                     .exitProgram = log.noting(QStringLiteral("exit")),
                     .updateStatus = log.noting(QStringLiteral("status update")),
                     .statusUpdateRunning = [this] { return statusUpdateRunning; },
                 })
    {
        terminal.onSent = [this](const QString &line) { log.events.append(line); };
        runner.addSource(&scriptLines);
        runner.addSource(&apiLines);
    }

    // The timer has run and gone back to sleep.
    bool tasksDone()
    {
        return QTest::qWaitFor([this] { return !runner.timer().isActive() && !runner.running(); });
    }

    EventLog log;
    bool statusUpdateRunning = false;
    NotedLines scriptLines{log, QStringLiteral("script lines")};
    NotedLines apiLines{log, QStringLiteral("API lines")};
    TaskRunner runner;
};

} // namespace

class TaskRunnerTest : public QObject
{
    Q_OBJECT
private slots:
    void queuedCommandsGoOutInOrderAtTheNextTick();
    void stopGoesAheadAndWithdrawsAnEarlierFireCommand();
    void stopWithdrawsEveryWaitingFiringLineWhateverItsForm_data();
    void stopWithdrawsEveryWaitingFiringLineWhateverItsForm();
    void stopThePortRefusesIsTriedAgainWithoutHammeringThePort();
    void timerSleepsWhileNothingIsPending();
    void inhibitedCommandQueuesNothingAndLeavesTheTimerAsleep();
    void tickDuringAStatusUpdateLeavesTheWorkForTheNextTick();
    void tickCarriesOutItsWorkInAFixedOrder();
    void exitSendsFireOffOnlyOnTheLasersPort_data();
    void exitSendsFireOffOnlyOnTheLasersPort();
};

void TaskRunnerTest::queuedCommandsGoOutInOrderAtTheNextTick()
{
    RunnerRig rig;
    rig.runner.queueCommand(QStringLiteral("RR 20.0"));
    rig.runner.queueCommand(QStringLiteral("QE 1"));
    rig.runner.queueCommand(QStringLiteral("BC 5"));
    QVERIFY(rig.laser.transcript().isEmpty()); // nothing goes out before the tick
    QVERIFY(rig.runner.timer().isActive());
    QCOMPARE(rig.runner.timer().interval(), 5);

    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), (Lines{";LA:RR 20.0", ";LA:QE 1", ";LA:BC 5"}));
    QCOMPARE(rig.runner.queuedLines(), 0);
}

void TaskRunnerTest::stopGoesAheadAndWithdrawsAnEarlierFireCommand()
{
    RunnerRig rig;
    rig.runner.queueCommand(QStringLiteral("RR 20.0"));
    rig.runner.queueCommand(QStringLiteral("FL 1"));
    rig.runner.queueCommand(QStringLiteral("FL 0"));

    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), (Lines{";LA:FL 0", ";LA:RR 20.0"}));
}

void TaskRunnerTest::stopWithdrawsEveryWaitingFiringLineWhateverItsForm_data()
{
    QTest::addColumn<QString>("stop");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QByteArray>("stopOnTheWire");
    QTest::newRow("Stop button") << "FL 0" << false << QByteArray(";LA:FL 0");
    QTest::newRow("Laser Enable unchecked") << "EN 0" << false << QByteArray(";LA:EN 0");
    QTest::newRow("fl 0 typed") << "fl 0" << true << QByteArray("fl 0");
    QTest::newRow(";LC:EN 0 typed") << ";LC:EN 0" << true << QByteArray(";LC:EN 0");
}

// Firing and enabling lines wait in every form the terminal allows, between the operator's
// edits; a stop of any kind takes them all with it and leaves the edits.
void TaskRunnerTest::stopWithdrawsEveryWaitingFiringLineWhateverItsForm()
{
    QFETCH(QString, stop);
    QFETCH(bool, typed);
    QFETCH(QByteArray, stopOnTheWire);
    RunnerRig rig;
    rig.runner.queueCommand(QStringLiteral("FL 1"));
    rig.runner.queueCommand(QStringLiteral("RR 20.0"));
    for (const char *firing : {";LA:FL 1", " FL 1", ";LC:FL 1", "fl 1", "FL 01", "en 1", ";lc:En 1"})
        rig.runner.queueRawLine(QString::fromLatin1(firing));
    rig.runner.queueCommand(QStringLiteral("EN 1"));
    rig.runner.queueRawLine(QStringLiteral("SS?"));
    if (typed)
        rig.runner.queueRawLine(stop);
    else
        rig.runner.queueCommand(stop);

    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), (Lines{stopOnTheWire, ";LA:RR 20.0", "SS?"}));
}

// The port's output refuses every byte when the Stop button is pressed: the stop stays first in
// line and is tried again until the port takes it, paced rather than at every 5 ms tick.
void TaskRunnerTest::stopThePortRefusesIsTriedAgainWithoutHammeringThePort()
{
    bool stalled = true;
    auto device = std::make_unique<test::StallingDevice>(stalled);
    const test::StallingDevice &output = *device;
    RunnerRig rig(std::move(device));
    QElapsedTimer sinceStop;
    sinceStop.start();
    rig.runner.queueCommand(QStringLiteral("FL 0"));

    QTRY_VERIFY(output.refusedWrites >= 3);
    const auto retry = ProgramTimings().stopRetry.count();
    QVERIFY2(sinceStop.elapsed() >= 2 * retry, QByteArray::number(sinceStop.elapsed()).constData());
    QVERIFY(rig.comm.stopUndelivered());

    stalled = false;
    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), Lines{";LA:FL 0"});
    QVERIFY(!rig.comm.stopUndelivered());
}

void TaskRunnerTest::timerSleepsWhileNothingIsPending()
{
    RunnerRig rig;
    QVERIFY(!rig.runner.timer().isActive());
    QVERIFY(!rig.runner.pending());

    rig.runner.queueCommand(QStringLiteral("QE 1"));
    QVERIFY(rig.runner.pending());
    QVERIFY(rig.tasksDone());
    QVERIFY(!rig.runner.pending());
    QTest::qWait(3 * rig.runner.timer().interval());
    QVERIFY(!rig.runner.timer().isActive()); // and it stays asleep

    // A request with nothing behind it gives one empty tick, then the timer sleeps again.
    rig.runner.request();
    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), Lines{";LA:QE 1"});
}

void TaskRunnerTest::inhibitedCommandQueuesNothingAndLeavesTheTimerAsleep()
{
    RunnerRig rig;
    rig.comm.setCommandsInhibited(true);
    rig.runner.queueCommand(QStringLiteral("RR 20.0"));
    QVERIFY(!rig.runner.timer().isActive());
    QVERIFY(!rig.runner.pending());

    // A stop is never inhibited.
    rig.runner.queueCommand(QStringLiteral("EN 0"));
    QVERIFY(rig.runner.timer().isActive());
    rig.comm.setCommandsInhibited(false);
    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), Lines{";LA:EN 0"});
}

void TaskRunnerTest::tickDuringAStatusUpdateLeavesTheWorkForTheNextTick()
{
    RunnerRig rig;
    rig.runner.queueCommand(QStringLiteral("QE 1"));
    rig.statusUpdateRunning = true;
    rig.runner.tick();
    QVERIFY(rig.laser.transcript().isEmpty());
    QVERIFY(rig.runner.timer().isActive());

    rig.statusUpdateRunning = false;
    QVERIFY(rig.tasksDone());
    QCOMPARE(rig.laser.transcript(), Lines{";LA:QE 1"});
}

void TaskRunnerTest::tickCarriesOutItsWorkInAFixedOrder()
{
    RunnerRig rig;
    rig.apiLines.waiting = true;
    rig.scriptLines.waiting = true;
    rig.runner.requestUnlock();
    rig.runner.requestRecall(2);
    rig.runner.queueCommand(QStringLiteral("EM 1"));
    rig.runner.setEnergyModeReadBackDue(true);
    rig.runner.queueCommand(QStringLiteral("FL 0"));
    rig.runner.resumePolling();

    rig.runner.tick();
    QVERIFY(rig.runner.pollingActive()); // again after the load
    QCOMPARE(rig.log.events, (QStringList{
                                 QStringLiteral("withdraw firing script lines"),
                                 QStringLiteral("withdraw firing API lines"),
                                 QStringLiteral("follow FL 0"),
                                 QStringLiteral(";LA:FL 0"),
                                 QStringLiteral(";LA:RC 2"),
                                 QStringLiteral("load settings"),
                                 QStringLiteral("unlock"),
                                 QStringLiteral(";LA:EM 1"),
                                 QStringLiteral("read back energy mode"),
                                 QStringLiteral("script lines"),
                                 QStringLiteral("API lines"),
                             }));
    QVERIFY(!rig.runner.pending());
    QVERIFY(!rig.runner.timer().isActive());
}

void TaskRunnerTest::exitSendsFireOffOnlyOnTheLasersPort_data()
{
    QTest::addColumn<bool>("onLaserPort");
    QTest::addColumn<Lines>("lastWords");
    QTest::newRow("port known to be the laser's") << true << Lines{";LA:FL 0"};
    QTest::newRow("port not known to be the laser's") << false << Lines{};
}

void TaskRunnerTest::exitSendsFireOffOnlyOnTheLasersPort()
{
    QFETCH(bool, onLaserPort);
    QFETCH(Lines, lastWords);
    RunnerRig rig;
    if (onLaserPort)
        rig.runner.setOnLaserPort();
    rig.runner.requestUnlock(); // no password box on the way out

    rig.runner.requestExit();
    QTRY_VERIFY(rig.log.events.contains(QStringLiteral("exit")));
    QCOMPARE(rig.laser.transcript(), lastWords);
    QVERIFY(!rig.log.events.contains(QStringLiteral("unlock")));
    QCOMPARE(rig.log.events.last(), QStringLiteral("exit"));

    // The program ends: the timer stops and no request starts it again.
    rig.runner.end();
    rig.runner.queueCommand(QStringLiteral("FL 0"));
    QVERIFY(!rig.runner.timer().isActive());
}

QTEST_MAIN(TaskRunnerTest)
#include "tst_taskrunner.moc"
