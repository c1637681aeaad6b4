#pragma once

// The whole program started on one simulated laser, for tests that act as the operator and read
// what the laser heard. The status timer is held: the test runs each status update itself, so the
// laser hears exactly the updates and commands the test makes happen.

#include "programrig.h"
#include "statuspoll.h"
#include "taskrunner.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tovra::test {

// A laser of `family` with the model name its family answers and the given heaters fitted.
inline sim::LaserConfig laserOf(sim::Family family, const QList<int> &heaters = {})
{
    sim::LaserConfig laser = laserOfFamily(family);
    laser.heater0 = heaters.contains(0);
    laser.heater1 = heaters.contains(1);
    laser.heater2 = heaters.contains(2);
    return laser;
}

// What the program sends for the query `mnemonic`.
inline QByteArray queryLine(const QByteArray &mnemonic)
{
    return ";LA:" + mnemonic + '?';
}

// Whether the simulated laser answers at the line's own rate. These tests judge what the laser
// hears, not when: replies come at once unless timing is the point, and a test that needs the
// program to wait for a reply delays it on purpose.
enum class Pacing { Off, LineRate };

class RunningProgram
{
public:
    explicit RunningProgram(const sim::LaserConfig &config = {}, Pacing pacing = Pacing::Off)
        : laser(rig.ports.add(1, paced(config, pacing)))
    {
    }

    // Runs the start-up with the status poll held. The transcript then starts empty.
    TMainForm &start(const QStringList &arguments = {})
    {
        TMainForm &form = rig.start(arguments);
        form.laserProgram().tasks().pausePolling();
        startLines = laser.transcript();
        laser.clearTranscript();
        return form;
    }

    // The lines of the first settings load: what the start-up sent after leaving local mode.
    QList<QByteArray> firstLoad() const
    {
        return startLines.mid(startLines.indexOf(";LC:XL 0") + 1);
    }

    // One status tick, now, and its data row. The tick starts the timer again; it is held once
    // more so that no tick of its own comes between the test's steps.
    void poll()
    {
        rig.form().StatusTimerTimer();
        rig.form().laserProgram().tasks().pausePolling();
        const StatusPoll &update = rig.form().laserProgram().statusPoll();
        if (!QTest::qWaitFor([&update] { return update.settled(); }))
            qWarning("the status update's data row was not written");
    }

    // One status tick during which `action` runs while the program waits for the reply to
    // `line`: the reply comes late enough for the GUI to run in between.
    void pollRunningWhileAnswering(const QByteArray &line, const std::function<void()> &action)
    {
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (laser.transcript().contains(line)) {
                watch.stop();
                action();
            }
        });
        laser.setReplyDelay(line, std::chrono::milliseconds(50));
        watch.start();
        poll();
        laser.setReplyDelay(line, std::chrono::milliseconds(0));
    }

    // Lets the task timer carry out every request and send every queued command (a load of every
    // setting at line rate may take seconds on a loaded machine).
    bool tasksDone()
    {
        const Communication &exchange = rig.form().communication();
        const TaskRunner &tasks = rig.form().laserProgram().tasks();
        return QTest::qWaitFor([&] {
            return tasks.queuedLines() == 0 && !tasks.loadPending() && !tasks.unlockPending() && !tasks.running()
                && !exchange.stopPending();
        }, 20000);
    }

    // From now on the laser answers "SS" with `word`.
    void reportStatus(int32_t word) { laser.setReplyOverride(queryLine("SS"), QByteArray::number(word)); }

    LaserState &state() { return rig.state; }
    TMainForm &form() { return rig.form(); }

    ProgramRig rig;
    sim::SimulatedLaser &laser;

private:
    static sim::LaserConfig paced(sim::LaserConfig laser, Pacing pacing)
    {
        laser.pacing = pacing == Pacing::LineRate;
        return laser;
    }

    QList<QByteArray> startLines;
};

// The program running from construction on, for the tests that take it through status updates
// step by step (`form` stands for the started window).
class PolledProgram : public RunningProgram
{
public:
    explicit PolledProgram(const sim::LaserConfig &config = {}, const QStringList &arguments = {},
                           Pacing pacing = Pacing::Off)
        : RunningProgram(config, pacing)
        , form(start(arguments))
    {
    }

    // As RunningProgram::tasksDone. An action on the fire or enable control starts the status
    // timer again; it is held once more.
    bool tasksDone()
    {
        const bool done = RunningProgram::tasksDone();
        form.laserProgram().tasks().pausePolling();
        return done;
    }

    // The operator checks the enable box and the next update, which leaves the controls alone,
    // passes; the laser is then enabled and the fire button follows its status word.
    bool enableLaser()
    {
        form.ui.LaserEnableBtn->click();
        const bool sent = tasksDone();
        poll();
        return sent && laser.enabled();
    }

    // Enabled as above, then Fire pressed and the next update passed: the laser fires.
    bool startFiring()
    {
        if (!enableLaser())
            return false;
        form.ui.FireStopbtn->click();
        const bool sent = tasksDone();
        poll();
        return sent && laser.firing();
    }

    TMainForm &form;
};

} // namespace tovra::test
