#pragma once

// The whole program on one simulated laser, with the status timer held: the test runs each status
// update itself, so the laser hears exactly the updates and commands the test makes happen.

#include "programrig.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tovra::test {

// A laser of `family` with the model name its family answers and the given heaters fitted.
inline sim::LaserConfig laserOf(sim::Family family, const QList<int> &heaters = {})
{
    sim::LaserConfig laser;
    laser.family = family;
    laser.model = family == sim::Family::Micro ? "MicroTovra" : family == sim::Family::Mini ? "MiniTovra" : "Tovra";
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

class PolledProgram
{
public:
    explicit PolledProgram(const sim::LaserConfig &config = {}, const QStringList &arguments = {})
        : laser(rig.ports.add(1, config))
        , form(rig.start(arguments))
    {
        form.StatusTimer->stop();
        laser.clearTranscript();
    }

    // One status tick, now. The tick starts the timer again; it is held once more so that no tick
    // of its own comes between the test's steps.
    void poll()
    {
        form.StatusTimerTimer();
        form.StatusTimer->stop();
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
        laser.setReplyDelay(std::chrono::milliseconds(50));
        watch.start();
        poll();
        laser.setReplyDelay(std::chrono::milliseconds(0));
    }

    // Lets the task timer carry out what the operator's actions asked for. An action on the fire
    // or enable control starts the status timer again; it is held once more.
    bool tasksDone()
    {
        const LaserState &flags = rig.state;
        const Communication &exchange = rig.form().communication();
        const bool done = QTest::qWaitFor(
            [&] { return !flags.queuePending && !flags.unlockPending && !flags.taskBusy && !exchange.stopPending(); });
        form.StatusTimer->stop();
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

    // From now on the laser answers "SS" with `word`.
    void reportStatus(int32_t word) { laser.setReplyOverride(queryLine("SS"), QByteArray::number(word)); }

    LaserState &state() { return rig.state; }

    ProgramRig rig;
    sim::SimulatedLaser &laser;
    TMainForm &form;
};

} // namespace tovra::test
