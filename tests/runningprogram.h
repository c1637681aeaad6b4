#pragma once

// The whole program started on one simulated laser, for tests that act as the operator and read
// what the laser heard.

#include "programrig.h"

#include <QTest>
#include <QTimer>

namespace tovra::test {

// A laser of `family` that names itself as that family's lasers do.
inline sim::LaserConfig laserOfFamily(sim::Family family)
{
    sim::LaserConfig laser;
    laser.family = family;
    laser.model = family == sim::Family::Micro ? "MicroTovra" : family == sim::Family::Mini ? "MiniTovra" : "Tovra";
    return laser;
}

class RunningProgram
{
public:
    explicit RunningProgram(const sim::LaserConfig &config = {})
        : laser(rig.ports.add(1, unpaced(config)))
    {
    }

    // Runs the start-up with the status poll kept off, so that afterwards the laser hears only
    // what the test makes the program send. The transcript then starts empty.
    TMainForm &start()
    {
        TMainForm &form = rig.start();
        form.StatusTimer->stop();
        startLines = laser.transcript();
        laser.clearTranscript();
        return form;
    }

    // The lines of the first settings load: what the start-up sent after leaving local mode.
    QList<QByteArray> firstLoad() const
    {
        return startLines.mid(startLines.indexOf(";LC:XL 0") + 1);
    }

    // Waits until the task timer has carried out every request and sent every queued command.
    bool tasksDone()
    {
        const LaserState &flags = rig.state;
        const Communication &exchange = rig.form().communication();
        return QTest::qWaitFor([&] {
            return !flags.queuePending && !flags.recallPending && !flags.refreshPending && !flags.taskBusy
                && !exchange.stopPending();
        });
    }

    LaserState &state() { return rig.state; }
    TMainForm &form() { return rig.form(); }

    ProgramRig rig;
    sim::SimulatedLaser &laser;

private:
    // These tests judge what the laser hears, not when: replies come at once, and a test that needs
    // the program to wait for a reply delays it on purpose.
    static sim::LaserConfig unpaced(sim::LaserConfig laser)
    {
        laser.pacing = false;
        return laser;
    }

    QList<QByteArray> startLines;
};

} // namespace tovra::test
