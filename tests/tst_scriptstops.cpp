// A Stop reaches the laser whoever asks for it, and nothing that would fire follows it: a script's
// stop line in any form goes out ahead of everything, the operator's Stop withdraws a script's
// waiting firing line, and the exit drops the script's waiting lines. Judged by what a simulated
// laser hears and what the script reads back.

#include "sharedprogram.h"
#include "taskrunner.h"
#include "whenlaserhears.h"

#include "laserstate.h"
#include "mainformlayout.h"
#include "rzcomport.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tovra;
using namespace std::chrono_literals;
using test::SharedProgram;
using test::WhenLaserHears;

namespace {

using Lines = QList<QByteArray>;

bool tasksDone(SharedProgram &program)
{
    const TaskRunner &tasks = program.form->laserProgram().tasks();
    return QTest::qWaitFor([&] { return tasks.queuedLines() == 0 && !tasks.running() && !tasks.loadPending(); });
}

// The operator enables the laser and fires it; the button then reads "Stop".
bool operatorFires(SharedProgram &program)
{
    TMainForm &form = *program.form;
    form.ui.LaserEnableBtn->click();
    if (!tasksDone(program))
        return false;
    form.StatusTimerTimer();
    form.laserProgram().tasks().pausePolling();
    form.ui.FireStopbtn->click();
    const bool firing = tasksDone(program) && program.laser.firing();
    form.laserProgram().tasks().pausePolling();
    program.laser.clearTranscript();
    return firing && form.ui.FireStopbtn->text() == QStringLiteral("Stop");
}

} // namespace

class ScriptStopsTest : public QObject
{
    Q_OBJECT
private slots:
    void operatorStopWithdrawsTheScriptsWaitingFiringLine();
    void scriptStopDuringALoadGoesOutAtTheNextQuery_data();
    void scriptStopDuringALoadGoesOutAtTheNextQuery();
    void exitDropsTheScriptsWaitingLines();
};

// Remote firing is allowed; the script's "FL 1" waits behind its query when the operator presses
// Stop. It is not sent, and the script reads why, in the order of its lines.
void ScriptStopsTest::operatorStopWithdrawsTheScriptsWaitingFiringLine()
{
    SharedProgram program;
    program.form->ui.AllowRemoteFiringMenu->trigger();
    QVERIFY(operatorFires(program));

    program.laser.setReplyDelay(250ms);
    const WhenLaserHears operatorActs(program.laser, "SS?", [&] { program.form->ui.FireStopbtn->click(); });
    const QStringList replies = program.runScript(QStringLiteral(R"(
port = open_port()
port.write(b'SS?\r\nFL 1\r\n')
print(read_reply(port))
print(read_reply(port))
)"));
    QVERIFY(tasksDone(program));

    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies.value(1), QStringLiteral("Stopped by the operator"));
    QCOMPARE(program.laser.transcript(), (Lines{"SS?", ";LA:FL 0"}));
    QVERIFY(!program.laser.firing());
}

void ScriptStopsTest::scriptStopDuringALoadGoesOutAtTheNextQuery_data()
{
    QTest::addColumn<QString>("stop");
    for (const char *stop : {"fl 0", " FL 0", ";LC:FL 0", "FL 00", "en 0"})
        QTest::newRow(stop) << QString::fromLatin1(stop);
}

// Script lines wait while a refresh loads, but a stop line does not: it goes out between two of
// the load's queries, as a press of Stop would, and its reply goes back to the script.
void ScriptStopsTest::scriptStopDuringALoadGoesOutAtTheNextQuery()
{
    QFETCH(QString, stop);
    SharedProgram program;
    QVERIFY(operatorFires(program));

    QProcess script;
    program.laser.setReplyDelay(60ms);
    const WhenLaserHears scriptStarts(program.laser, ";LA:RR?", [&] {
        program.startScript(script, QStringLiteral("print(ask(open_port(), sys.argv[2]))"), {stop});
    });
    // Once the stop is in, the rest of the load need not crawl.
    const WhenLaserHears stopHeard(program.laser, stop.toLatin1(), [&] { program.laser.setReplyDelay(0ms); });
    program.form->ui.Up1->trigger();
    QVERIFY(QTest::qWaitFor([&] { return script.state() == QProcess::NotRunning; }, 30000));
    QVERIFY(tasksDone(program));

    QCOMPARE(script.readAllStandardOutput().trimmed(), QByteArray("OK"));
    const Lines lines = program.laser.transcript();
    const qsizetype stopAt = lines.indexOf(stop.toLatin1());
    QVERIFY2(stopAt > 0, lines.join(" | ").constData());
    QVERIFY(stopAt < lines.lastIndexOf(";LA:SY?")); // the load was still running
    QVERIFY(lines.value(stopAt + 1).endsWith('?'));
    QVERIFY(!program.laser.firing());
}

// Sixteen script lines wait for a laser that has gone silent when the stop signal comes: the
// exchange under way ends with its time-out, and "FL 0" goes next.
void ScriptStopsTest::exitDropsTheScriptsWaitingLines()
{
    SharedProgram program;
    program.laser.setSilent(true);
    // Each exchange with the silent laser ends with its time-out; a short one shows the order.
    program.form->laserProgram().port().setResponseTime(300);
    const qint64 oneExchange = program.form->laserProgram().port().ResponseTime();
    QElapsedTimer sinceSignal;
    const WhenLaserHears signalArrives(program.laser, "RR?", [&] {
        sinceSignal.start();
        program.form->StopSignalReceived();
    });
    QProcess script;
    program.startScript(script, QStringLiteral(R"(
port = open_port(timeout=30.0)
port.write(b'RR?\r\n' * 16)
port.read(1)
)"));
    QVERIFY(QTest::qWaitFor([&] { return program.form->hasEnded(); }, 60000));
    script.kill();
    script.waitForFinished(1000);

    QCOMPARE(program.laser.transcript(), (Lines{"RR?", ";LA:FL 0"}));
    QVERIFY2(sinceSignal.elapsed() < oneExchange + 2000 + 1500, QByteArray::number(sinceSignal.elapsed()).constData());
}

QTEST_MAIN(ScriptStopsTest)
#include "tst_scriptstops.moc"
