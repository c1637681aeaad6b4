#pragma once

#include "commandqueue.h"
#include "communication.h"
#include "programtimings.h"
#include "waitinglines.h"

#include <QList>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tovra {

class TRZComPort;

// What a tick asks of the rest of the program; the window answers with its own handlers.
struct TaskActions
{
    std::function<void()> loadSettings;       // the settings load, after a recall or refresh
    std::function<void()> unlockLaser;        // the password lock's dialog
    std::function<void()> readBackEnergyMode; // after the batch that carried an "EM" command
    // A line sent as typed and the laser's reply (empty when none came): a setter the laser took
    // shows in its control. May be empty.
    std::function<void(const QString &line, const QString &reply)> rawLineAnswered;
    // A stop line was asked for, from any source: the controls follow it.
    std::function<void(const QString &line)> followStopLine;
    std::function<void()> exitProgram;
    // The status timer's turn: one status update (and, should the port have vanished, the
    // search for the laser that follows it).
    std::function<void()> updateStatus;
    // A status update is under way: its replies are awaited in a nested wait.
    std::function<bool()> statusUpdateRunning;
};

// The one scheduler of the exchanges with the laser: it owns the port's turn, both timers, the
// exit and the order of work. The status timer (1 s by default) gives the status update its turn
// whenever neither the port nor a batch is busy. The task timer ticks (5 ms by default) after
// something was asked for; a tick that finds no status update running carries out what was
// asked for, in a fixed order: stop lines, a recall or refresh with its settings load, the unlock
// dialog, the operator's queued lines, the energy mode's read-back, then the lines of the waiting
// sources in the order they were added (a script's, then the control API's raw lines), and last
// the exit. Stop lines also go out at every exchange boundary of a running load or update. The
// sources' lines give way while commands are inhibited and when a status update is about to
// start, so that the poll keeps its cadence however fast they come. Whatever arrives while an
// exchange waits for its reply (a nested wait) is only queued here, and the next tick decides
// what runs. Once the exit is asked for, the queued lines and the sources' are dropped and
// "FL 0" goes next. With nothing pending the task timer stays off, so the idle program sleeps
// between status polls. Holds no widgets.
class TaskRunner
{
public:
    TaskRunner(Communication &exchange, TRZComPort &serialPort, TaskActions hostActions, const ProgramTimings &timings = {});
    TaskRunner(const TaskRunner &) = delete;
    TaskRunner &operator=(const TaskRunner &) = delete;

    // Starts the timer unless it runs: whatever sets a pending flag calls this. A running timer
    // is left alone, so that a stream of requests does not keep pushing the first one's tick away.
    void request();
    // As request, but the tick comes as soon as the event loop is free, not a tick's time later
    // (a script's or an API client's line waits for nobody else).
    void requestSoon();
    // An operator's line: queued for the next tick with the framing it asks for, or, a stop line
    // in any form the laser reads as one, sent ahead of them (see stopNow).
    void queueLine(const OutgoingLine &line);
    void queueCommand(const QString &command) { queueLine(OutgoingLine::command(command)); }
    void queueRawLine(const QString &line) { queueLine(OutgoingLine::raw(line)); }
    // The Stop button's treatment, for every stop line whatever its source: never dropped, it goes
    // out at the next exchange boundary ahead of every queue, and the waiting lines of every
    // source that would fire or enable the laser are withdrawn, so that none can follow it.
    void stopNow(const OutgoingLine &line, Communication::StopReplied replied = {});
    // One tick: carries out everything pending, or waits for a running exchange to end.
    void tick();
    bool pending() const;
    // A batch of ticked work is being sent.
    bool running() const { return taskBusy; }
    // The operator's lines waiting for the next batch.
    int queuedLines() const { return queue.waitingCount(); }

    // A recall of `bin` (0: the defaults) and the settings load after it, at the next tick; of
    // several requests before it only the last bin is recalled.
    void requestRecall(int bin);
    // The settings load, at the next tick.
    void requestRefresh();
    // A source of lines from outside the window; each tick gives the sources their turns in the
    // order they were added. A source must be removed before it goes.
    void addSource(WaitingLines *source);
    void removeSource(WaitingLines *source);

    // The program is to end: the next tick drops what waits, sends "FL 0" and ends it. From now
    // on nothing new is queued and no exchange asks the laser anything more.
    void requestExit();
    bool exitRequested() const { return exitAsked; }

    // The password dialog of a locked laser, at the next tick (never on the way out).
    void requestUnlock();
    bool unlockPending() const { return unlockAsked; }
    bool loadPending() const { return recallPending || refreshPending; }

    // The status timer. Paused, no update starts (a load, an open question, demo mode); resumed,
    // the next update comes a full interval from now.
    void pausePolling();
    void resumePolling();
    // As resumePolling, but not in demo mode: the operator's command goes before the next update.
    void restartPolling();
    bool pollingActive() const { return pollTimer.isActive(); }
    void setPollingInterval(std::chrono::milliseconds interval) { pollTimer.setInterval(interval); }
    // An update is timed to start within `lead`: a script's lines give way to it.
    bool statusUpdateDueWithin(std::chrono::milliseconds lead) const;
    // One tick of the status timer: runs an update unless the port, a batch, demo mode or the
    // exit keeps it off.
    void statusTick();

    // The energy mode's value is read back after the next batch (or, when false, is not).
    void setEnergyModeReadBackDue(bool due) { energyModeReadBackDue = due; }
    // The port is known to be the laser's: only then does the exit send its "FL 0".
    void setOnLaserPort() { onLaserPort = true; }
    // The program is ending: both timers stop and are not started again.
    void end();

    QTimer &timer() { return taskTimer; }

private:
    void sendExitStop();
    void dropWhileLinkLost();
    bool sourcesWaiting() const;
    bool sourcesTurnLasts() const;

    Communication &comm;
    TRZComPort &port;
    const TaskActions actions;
    CommandQueue queue;
    QTimer taskTimer;
    QTimer pollTimer;
    const ProgramTimings::ms taskTick;
    const ProgramTimings::ms stopRetry;
    const ProgramTimings::ms exitReplyTime;
    bool ended = false;
    bool onLaserPort = false;
    bool energyModeReadBackDue = false;
    bool taskBusy = false;
    bool recallPending = false;
    int recallBin = 0;
    bool refreshPending = false;
    bool unlockAsked = false;
    bool exitAsked = false;
    QList<WaitingLines *> sources;
};

} // namespace tovra
