// "FL 0" and "EN 0" wait for no one: a stop asked for while a settings load or a status update
// talks to the laser goes out at the next exchange boundary, and a stop signal ends the program
// within seconds, whatever the program was doing. Judged by what a simulated laser hears.

#include "testshard.h"
#include "runningprogram.h"
#include "taskrunner.h"
#include "whenlaserhears.h"
#include "plusspinedit.h"
#include "rzcomport.h"
#include "stallingdevice.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tovra;
using namespace std::chrono_literals;
using test::WhenLaserHears;

namespace {

using Lines = QList<QByteArray>;
using Action = std::function<void(TMainForm &)>;

const QString CommunicationsLost = QStringLiteral("Communications lost. Restart?");

void pressStop(TMainForm &form)
{
    QVERIFY(form.ui.FireStopbtn->text() == QStringLiteral("Stop"));
    form.ui.FireStopbtn->click();
}

// Types `line` into the terminal and sends it, as the operator does with Enter.
void typeInTerminal(TMainForm &form, const QString &line)
{
    form.ui.SendEdit->setEditText(line);
    form.ui.SendBtn->click();
}

void uncheckLaserEnable(TMainForm &form)
{
    QVERIFY(form.ui.LaserEnableBtn->isChecked());
    form.ui.LaserEnableBtn->click();
}

// The laser enabled and firing continuously, as the operator made it; the transcript then starts
// empty.
bool fireLaser(test::PolledProgram &program)
{
    if (!program.enableLaser())
        return false;
    program.form.ui.FireStopbtn->click();
    if (!program.tasksDone() || !program.laser.firing())
        return false;
    program.laser.clearTranscript();
    return true;
}

bool loadDone(test::PolledProgram &program)
{
    const TaskRunner &tasks = program.form.laserProgram().tasks();
    const Communication &exchange = program.form.communication();
    const bool done = QTest::qWaitFor([&] {
        return !tasks.loadPending() && !tasks.running() && !exchange.stopPending();
    }, 20000);
    program.form.laserProgram().tasks().pausePolling();
    return done;
}

} // namespace

Q_DECLARE_METATYPE(std::function<void(tovra::TMainForm &)>)

class StopCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void stopDuringASettingsLoadGoesOutAtTheNextExchange_data();
    void stopDuringASettingsLoadGoesOutAtTheNextExchange();
    void stopDuringAStatusUpdateGoesOutBeforeItsNextQueryAndAheadOfTheQueue();
    void stopWhileABatchIsSentWithdrawsTheFireCommandStillWaiting();
    void typedLineDuringAStatusUpdateNeverFiresAfterAStop_data();
    void typedLineDuringAStatusUpdateNeverFiresAfterAStop();
    void exitStopsFiringAfterTheExchangeUnderWayDroppingTheQueue();
    void restartWithAStopWaitingSendsTheStopFirst();
    void stopThePortDidNotTakeIsShownUntilItIsWritten();
    void stopSignalDuringTheScanEndsItWithoutAQuestionOrAStop();
    void stopSignalDuringTheStartUpLoadEndsItAtTheNextQuery();
    void silentLaserOnTheWayOutAsksNoQuestion();
    void stopSignalClosesTheOpenQuestionAndEnds();
};

void StopCommandsTest::stopDuringASettingsLoadGoesOutAtTheNextExchange_data()
{
    QTest::addColumn<QString>("load"); // the menu item that starts it
    QTest::addColumn<Action>("stop");
    QTest::addColumn<QByteArray>("stopLine");

    const QByteArray fireOff = ";LA:FL 0";
    const QByteArray enableOff = ";LA:EN 0";
    QTest::newRow("Stop during a refresh") << "Up1" << Action(pressStop) << fireOff;
    QTest::newRow("Stop during a recall") << "RestoreBin2" << Action(pressStop) << fireOff;
    QTest::newRow("Laser Enable unchecked during a refresh") << "Up1" << Action(uncheckLaserEnable) << enableOff;
    // A stop typed in the terminal, in any form the laser reads as one, is treated as the button's.
    for (const char *typed : {" fl 0", ";LC:FL 0", "en 0"}) {
        QTest::addRow("\"%s\" typed during a refresh", typed)
            << "Up1" << Action([typed](TMainForm &form) { typeInTerminal(form, QString::fromLatin1(typed)); })
            << QByteArray(typed);
    }
}

void StopCommandsTest::stopDuringASettingsLoadGoesOutAtTheNextExchange()
{
    QFETCH(QString, load);
    QFETCH(Action, stop);
    QFETCH(QByteArray, stopLine);
    test::PolledProgram program;
    QVERIFY(fireLaser(program));

    // The laser answers "DC:MAX" 0.3 s late; the operator stops it while the load waits for it.
    const QByteArray answering = test::queryLine("DC:MAX");
    program.laser.setReplyDelay(answering, 300ms);
    const WhenLaserHears operatorActs(program.laser, answering, [&] {
        stop(program.form);
        program.laser.setReplyDelay(answering, 0ms);
    });
    QAction *item = program.form.ui.Up1;
    if (load != QLatin1String("Up1"))
        item = program.form.ui.RestoreBin[1];
    item->trigger();
    QVERIFY(loadDone(program));

    const Lines lines = program.laser.transcript();
    QCOMPARE(lines.count(stopLine), 1);
    QCOMPARE(lines.indexOf(stopLine), lines.indexOf(answering) + 1);
    QCOMPARE(lines.last(), test::queryLine("SY")); // the load itself went on to its end
    QVERIFY(!program.laser.firing());
    if (stopLine.toUpper().contains("EN 0")) {
        QVERIFY(!program.laser.enabled());
        return;
    }

    // The button tells the truth, before and after the laser has been asked.
    QCOMPARE(program.form.ui.FireStopbtn->text(), QStringLiteral("Fire"));
    program.poll();
    QCOMPARE(program.form.ui.FireStopbtn->text(), QStringLiteral("Fire"));
}

void StopCommandsTest::stopDuringAStatusUpdateGoesOutBeforeItsNextQueryAndAheadOfTheQueue()
{
    test::PolledProgram program;
    QVERIFY(fireLaser(program));

    const QByteArray answering = test::queryLine("FT");
    program.pollRunningWhileAnswering(answering, [&] {
        program.form.ui.RepRateAdj->setValue(20);
        program.form.ui.FireStopbtn->click();
    });
    QVERIFY(program.tasksDone());

    const Lines lines = program.laser.transcript();
    QCOMPARE(lines.value(lines.indexOf(answering) + 1), QByteArray(";LA:FL 0"));
    QVERIFY(lines.indexOf(";LA:RR 20.0") > lines.indexOf(test::queryLine("SS")));
    QVERIFY(!program.laser.firing());
}

// Fire, then Stop: the stop overtakes the queue, so the "FL 1" it overtakes must not follow it.
void StopCommandsTest::stopWhileABatchIsSentWithdrawsTheFireCommandStillWaiting()
{
    test::PolledProgram program;
    QVERIFY(program.enableLaser());
    program.laser.clearTranscript();

    program.form.ui.RepRateAdj->setValue(20);
    program.form.ui.FireStopbtn->click();
    program.laser.setReplyDelay(100ms);
    const WhenLaserHears operatorActs(program.laser, ";LA:RR 20.0", [&] { program.form.ui.FireStopbtn->click(); });
    QVERIFY(program.tasksDone());

    QCOMPARE(program.laser.transcript(), (Lines{";LA:RR 20.0", ";LA:FL 0"}));
    QVERIFY(!program.laser.firing());
    QCOMPARE(program.form.ui.FireStopbtn->text(), QStringLiteral("Fire"));
}

void StopCommandsTest::typedLineDuringAStatusUpdateNeverFiresAfterAStop_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("stopPressed");
    QTest::addColumn<QByteArray>("nextLine"); // after the query that was being answered
    // A firing line in any form, then Stop: the line does not follow the "FL 0".
    for (const char *typed : {";LA:FL 1", " FL 1", ";LC:FL 1", "fl 1", "FL 01", "en 1"})
        QTest::addRow("\"%s\", then Stop", typed) << QString::fromLatin1(typed) << true << QByteArray(";LA:FL 0");
    // A stop line in any form: it goes out at once, as typed.
    for (const char *typed : {"fl 0", " FL 0", ";LC:FL 0", "FL 00"})
        QTest::addRow("\"%s\"", typed) << QString::fromLatin1(typed) << false << QByteArray(typed);
}

// While a status update waits for the laser, the operator edits a setting and types a line
// (and presses Stop). Stops go out at the update's next exchange boundary, ahead of the edit and
// of the update's remaining queries; a firing line withdrawn by the Stop never goes out.
void StopCommandsTest::typedLineDuringAStatusUpdateNeverFiresAfterAStop()
{
    QFETCH(QString, typed);
    QFETCH(bool, stopPressed);
    test::PolledProgram program;
    QVERIFY(fireLaser(program));

    const QByteArray answering = test::queryLine("FT");
    program.pollRunningWhileAnswering(answering, [&] {
        program.form.ui.RepRateAdj->setValue(20);
        typeInTerminal(program.form, typed);
        if (stopPressed)
            pressStop(program.form);
    });
    QVERIFY(program.tasksDone());

    const Lines lines = program.laser.transcript();
    QTEST(lines.value(lines.indexOf(answering) + 1), "nextLine");
    QVERIFY(lines.indexOf(";LA:RR 20.0") > lines.indexOf(test::queryLine("SS")));
    if (stopPressed)
        QVERIFY2(!lines.contains(typed.toLatin1()), lines.join(" | ").constData());
    QVERIFY(!program.laser.firing());
}

// Ten edits queued for a laser that has gone silent, and a stop signal while the first one waits:
// the exchange under way ends with its time-out, the other nine are dropped and "FL 0" goes next.
void StopCommandsTest::exitStopsFiringAfterTheExchangeUnderWayDroppingTheQueue()
{
    test::PolledProgram program;
    program.laser.clearTranscript();
    program.laser.setSilent(true);
    // Each exchange with the silent laser ends with its time-out; a short one shows the order.
    program.form.laserProgram().port().setResponseTime(300);
    const qint64 oneExchange = program.form.laserProgram().port().ResponseTime();
    QElapsedTimer sinceSignal;
    const WhenLaserHears signalArrives(program.laser, ";LA:RR 11.0", [&] {
        sinceSignal.start();
        program.form.StopSignalReceived();
    });
    for (int rate = 11; rate <= 20; ++rate)
        program.form.QueuedCommandToPort(QStringLiteral("RR %1.0").arg(rate));
    QVERIFY(QTest::qWaitFor([&] { return program.form.hasEnded(); }, 60000));

    QCOMPARE(program.laser.transcript(), (Lines{";LA:RR 11.0", ";LA:FL 0"}));
    QVERIFY(program.rig.desktop.shown.isEmpty());
    QVERIFY2(sinceSignal.elapsed() < oneExchange + 2000 + 1500, QByteArray::number(sinceSignal.elapsed()).constData());
}

// The port's output stalls as the operator presses Stop: the window says so while the laser fires
// on, and the stop goes out once the output moves again.
void StopCommandsTest::stopThePortDidNotTakeIsShownUntilItIsWritten()
{
    bool stalled = false;
    test::RunningProgram program;
    program.rig.serialDevice = std::make_unique<test::StallingDevice>(stalled);
    TMainForm &form = program.start();
    form.ui.LaserEnableBtn->click();
    QVERIFY(program.tasksDone());
    program.poll();
    form.ui.FireStopbtn->click();
    QVERIFY(program.tasksDone());
    QVERIFY(program.laser.firing());
    const QLabel *note = form.findChild<QLabel *>(QStringLiteral("StopNotDeliveredlbl"));
    QVERIFY(note && note->isHidden());

    stalled = true;
    pressStop(form);
    QTRY_VERIFY(!note->isHidden());
    QCOMPARE(note->text(), QStringLiteral("Stop not delivered"));
    QVERIFY(program.laser.firing());

    stalled = false;
    QTRY_VERIFY(!program.laser.firing());
    QVERIFY(note->isHidden());
}

// Stop is pressed while a status update waits for a slow reply, and File > Restart App follows
// before that reply came: the waiting stop is written before the port is let go.
void StopCommandsTest::restartWithAStopWaitingSendsTheStopFirst()
{
    test::PolledProgram program;
    QVERIFY(fireLaser(program));

    const QByteArray answering = test::queryLine("FT");
    program.laser.setReplyDelay(answering, 1s);
    const WhenLaserHears operatorActs(program.laser, answering, [&] {
        pressStop(program.form);
        program.form.ui.R1->trigger();
    });
    program.poll();
    QTRY_VERIFY(program.form.hasEnded());

    QCOMPARE(program.rig.desktop.newInstances, 1);
    // The simulated laser reads what was written before the port closed in its own turn.
    const auto lineAfterTheQuery = [&] {
        const Lines lines = program.laser.transcript();
        return lines.value(lines.indexOf(answering) + 1);
    };
    QTRY_COMPARE(lineAfterTheQuery(), QByteArray(";LA:FL 0"));
    QTRY_VERIFY(!program.laser.firing());
}

// The signal is found while the scan greets the first port; no laser has been identified.
void StopCommandsTest::stopSignalDuringTheScanEndsItWithoutAQuestionOrAStop()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &first = rig.ports.add(3);
    sim::SimulatedLaser &second = rig.ports.add(5);
    rig.stopSignalled = [] { return true; };

    TMainForm &form = rig.start();

    QVERIFY(form.hasEnded());
    QVERIFY(rig.desktop.shown.isEmpty());
    QVERIFY(!first.transcript().contains(";LA:ID?"));
    QVERIFY(!first.transcript().contains(";LA:FL 0"));
    QVERIFY(second.transcript().isEmpty());
}

void StopCommandsTest::stopSignalDuringTheStartUpLoadEndsItAtTheNextQuery()
{
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(1);
    // The start-up processes no events: the program finds the signal at its next exchange.
    rig.stopSignalled = [&laser] { return laser.transcript().contains(test::queryLine("DC")); };

    TMainForm &form = rig.start();
    QVERIFY(form.hasEnded());
    QVERIFY(!form.isVisible());

    const Lines lines = laser.transcript();
    QCOMPARE(lines.mid(lines.indexOf(test::queryLine("DC"))), (Lines{test::queryLine("DC"), ";LA:FL 0"}));
    QCOMPARE(rig.desktop.boxesClosed, 1);
    QVERIFY(rig.desktop.shown.isEmpty());
}

void StopCommandsTest::silentLaserOnTheWayOutAsksNoQuestion()
{
    test::PolledProgram program;
    program.laser.setSilent(true);

    QElapsedTimer clock;
    clock.start();
    program.form.ui.Exit1->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(program.form.hasEnded(), 5000);

    // It waits 1 s for the reply, instead of the 5 s of other exchanges.
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(program.laser.transcript(), Lines{";LA:FL 0"});
    QVERIFY(program.rig.desktop.shown.isEmpty());
}

void StopCommandsTest::stopSignalClosesTheOpenQuestionAndEnds()
{
    test::PolledProgram program;
    program.form.laserProgram().port().setResponseTime(200);
    program.rig.desktop.whileWarningOpen = [&](const QString &text) {
        if (text == CommunicationsLost)
            program.form.StopSignalReceived();
    };
    program.laser.setSilent(true);

    program.poll();
    QTRY_VERIFY_WITH_TIMEOUT(program.form.hasEnded(), 5000);

    QCOMPARE(program.rig.desktop.textsOf(QStringLiteral("warning")), QStringList{CommunicationsLost});
    QCOMPARE(program.rig.desktop.boxesClosed, 1);
    QCOMPARE(program.rig.desktop.newInstances, 0);
    QCOMPARE(program.laser.transcript(), (Lines{test::queryLine("SC"), ";LA:FL 0"}));
}

TOVRA_TEST_MAIN(StopCommandsTest)
#include "tst_stopcommands.moc"
