#pragma once

#include "commandqueue.h"
#include "programtimings.h"

#include <QString>
#include <QTimer>

#include <functional>

namespace tovra {

class Communication;
class TRZComPort;
struct LaserState;

// What a tick asks of the rest of the program; the window answers with its own handlers.
struct TaskActions
{
    std::function<void()> loadSettings;       // the settings load, after a recall or refresh
    std::function<void()> unlockLaser;        // the password lock's dialog
    std::function<void()> readBackEnergyMode; // after the batch that carried an "EM" command
    // A line sent as typed and the laser's reply (empty when none came): a setter the laser took
    // shows in its control. May be empty.
    std::function<void(const QString &line, const QString &reply)> rawLineAnswered;
    std::function<bool()> scriptLinesWaiting;
    std::function<void()> sendScriptLines;
    std::function<void()> exitProgram;
    std::function<void()> stopStatusPoll;
    std::function<void()> startStatusPoll;
};

// The task timer and the operator's command queue. A tick (5 ms by default) after something was asked for, whenever
// no status update runs, a tick carries out what the handlers asked for, in a fixed order: stop
// commands, a recall or refresh, the unlock dialog, the queued commands, the energy mode's
// read-back, a script's lines, and last the exit. With nothing pending the timer stays off, so
// the idle program sleeps between status polls. Holds no widgets.
class TaskRunner
{
public:
    TaskRunner(LaserState &laserState, Communication &exchange, TRZComPort &serialPort, TaskActions hostActions,
               const ProgramTimings &timings = {});
    TaskRunner(const TaskRunner &) = delete;
    TaskRunner &operator=(const TaskRunner &) = delete;

    // Starts the timer unless it runs: whatever sets a pending flag calls this. A running timer
    // is left alone, so that a stream of requests does not keep pushing the first one's tick away.
    void request();
    // An operator's command: queued for the next tick, or, a stop command, sent ahead of them.
    void queueCommand(const QString &command);
    // One tick: carries out everything pending, or waits for a running exchange to end.
    void tick();
    bool pending() const;

    // The energy mode's value is read back after the next batch (or, when false, is not).
    void setEnergyModeReadBackDue(bool due) { energyModeReadBackDue = due; }
    // The port is known to be the laser's: only then does the exit send its "FL 0".
    void setOnLaserPort() { onLaserPort = true; }
    // The program is ending: the timer stops and is not started again.
    void end();

    QTimer &timer() { return taskTimer; }

private:
    void sendExitStop();
    void dropWhileLinkLost();

    LaserState &state;
    Communication &comm;
    TRZComPort &port;
    const TaskActions actions;
    CommandQueue queue;
    QTimer taskTimer;
    const ProgramTimings::ms exitReplyTime;
    bool ended = false;
    bool onLaserPort = false;
    bool energyModeReadBackDue = false;
};

} // namespace tovra
