#include "taskrunner.h"

#include "communication.h"
#include "rzcomport.h"
#include "scriptline.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

namespace tovra {

namespace {

bool firesOrEnables(const QString &line)
{
    return classifyLine(line) == LineKind::FiringOrEnabling;
}

} // namespace

TaskRunner::TaskRunner(Communication &exchange, TRZComPort &serialPort, TaskActions hostActions,
                       const ProgramTimings &timings)
    : comm(exchange)
    , port(serialPort)
    , actions(std::move(hostActions))
    , taskTick(timings.taskTick)
    , stopRetry(timings.stopRetry)
    , exitReplyTime(timings.exitReplyTime)
{
    taskTimer.setObjectName(QStringLiteral("TaskTimer"));
    taskTimer.setInterval(taskTick);
    QObject::connect(&taskTimer, &QTimer::timeout, [this] { tick(); });
    pollTimer.setObjectName(QStringLiteral("StatusTimer"));
    pollTimer.setInterval(timings.statusPollInterval);
    QObject::connect(&pollTimer, &QTimer::timeout, [this] { statusTick(); });
}

void TaskRunner::request()
{
    if (!ended && !taskTimer.isActive())
        taskTimer.start(taskTick);
}

// A stop the port refused keeps its slower retry pace.
void TaskRunner::requestSoon()
{
    if (!ended && (!taskTimer.isActive() || taskTimer.intervalAsDuration() <= taskTick))
        taskTimer.start(0);
}

bool TaskRunner::pending() const
{
    return recallPending || refreshPending || unlockAsked || queue.hasWaiting()
        || exitAsked || energyModeReadBackDue || (comm.stopPending() && !comm.isLinkLost())
        || sourcesWaiting();
}

bool TaskRunner::sourcesWaiting() const
{
    return std::any_of(sources.cbegin(), sources.cend(), [](const WaitingLines *source) { return source->hasWaitingLines(); });
}

// How long before a status update is due the sources' lines give way to it: longer than a line's
// exchange and the status timer's own slack.
constexpr std::chrono::milliseconds StatusPollLead{80};

// A source's turn ends when the exit is asked for, while a load inhibits commands (a box it
// opened lets a tick run), when another exchange holds the port, or when the status update is
// about to start.
bool TaskRunner::sourcesTurnLasts() const
{
    return !exitAsked && !comm.commandsInhibited() && !comm.isDetached() && !comm.portBusy()
           && !statusUpdateDueWithin(StatusPollLead);
}

void TaskRunner::addSource(WaitingLines *source)
{
    sources.append(source);
}

void TaskRunner::removeSource(WaitingLines *source)
{
    sources.removeAll(source);
}

void TaskRunner::requestExit()
{
    exitAsked = true;
    request();
}

// Stop lines are never dropped: they bypass the inhibit and the queue and go out at the next
// exchange boundary (a running load or status update sends them between two of its queries).
// Being sent ahead, a stop takes the earlier waiting lines that would fire or enable the laser
// with it, so that a "FL 1" queued before the Stop press cannot follow the "FL 0" and fire the
// laser again. Once the exit is asked for, nothing new is queued: "FL 0" goes next.
void TaskRunner::queueLine(const OutgoingLine &line)
{
    if (classifyLine(line.text) == LineKind::Stop) {
        stopNow(line);
        return;
    }
    if (comm.commandsInhibited() || exitAsked)
        return;
    queue.append(line);
    request();
}

void TaskRunner::stopNow(const OutgoingLine &line, Communication::StopReplied replied)
{
    queue.withdraw(firesOrEnables);
    for (WaitingLines *source : std::as_const(sources))
        source->withdrawFiringLines();
    comm.requestStop(line, std::move(replied));
    if (actions.followStopLine)
        actions.followStopLine(line.text);
    request();
}

void TaskRunner::tick()
{
    // A tick that arrives while a batch waits for a reply must not start a second run: it would
    // find the port busy and lose its commands. The running batch asks for the next tick itself.
    if (taskBusy) {
        taskTimer.stop();
        return;
    }
    taskTimer.stop();
    // A handler that exchanges directly may be waiting for its reply: the work waits for it
    // rather than find the port busy and lose its commands.
    if ((actions.statusUpdateRunning && actions.statusUpdateRunning()) || port.InUse()) {
        if (pending())
            request();
        return;
    }
    const QScopedValueRollback<bool> busy(taskBusy, true);

    if (comm.isLinkLost())
        dropWhileLinkLost();
    comm.sendPendingStops();

    // On the way out the operator's and the script's waiting lines are dropped: "FL 0" goes next.
    if (exitAsked)
        queue.clear();

    if (loadPending() && !exitAsked) {
        pausePolling();
        if (recallPending) // the window's Bins menu asks for a recall
            comm.send(OutgoingLine::command(QStringLiteral("RC ") + QString::number(recallBin), LineSource::window()));
        actions.loadSettings();
        recallPending = false;
        refreshPending = false;
        resumePolling();
    }

    // No password box on the way out: it would hold the exit.
    if (unlockAsked && !exitAsked) {
        actions.unlockLaser();
        unlockAsked = false;
    }

    // The read-back of an energy-mode choice follows the batch that carries its "EM" command; a
    // choice made while this batch is being sent is read back after the next one.
    const bool energyModeReadBack = std::exchange(energyModeReadBackDue, false);
    if (queue.hasWaiting()) {
        // Each line goes out framed as its source asked; an exit asked for while one of them
        // waits for its reply drops the rest.
        queue.beginSending();
        while (!exitAsked) {
            const std::optional<OutgoingLine> line = queue.nextToSend();
            if (!line)
                break;
            const QString reply = comm.send(*line);
            if (line->framing == OutgoingLine::Framing::Raw && actions.rawLineAnswered)
                actions.rawLineAnswered(line->text, reply);
        }
    }

    if (energyModeReadBack && !exitAsked)
        actions.readBackEnergyMode();

    // The sources take their turns after the operator's lines: a script's, then the API's.
    for (qsizetype turn = 0; turn < sources.size() && !exitAsked; ++turn)
        sources.at(turn)->sendWaitingLines([this] { return sourcesTurnLasts(); });

    if (exitAsked) {
        sendExitStop();
        actions.exitProgram();
        return;
    }

    // A stop the port did not take is tried again at the next tick, but not at the tick's pace:
    // a port that refuses at once must not be hammered, nor the log filled with its failures.
    if (comm.stopUndelivered() && !comm.isLinkLost()) {
        if (!ended)
            taskTimer.start(stopRetry);
        return;
    }
    // What a handler asked for while this batch was being sent waits for the next tick (the timer
    // fires after this run has given the busy flag back).
    if (pending())
        request();
}

// The last word to the laser, and only to a port known to be the laser's: another device on the
// last port a failed scan tried must not receive it. A time-out here asks no question.
void TaskRunner::sendExitStop()
{
    if (!onLaserPort)
        return;
    queue.clear();
    // The reply to the exit's "FL 0" is waited for a short time at most: it has been written by
    // then, and a laser that does not answer must not hold the program.
    port.setResponseTime(std::min(port.ResponseTime(), uint32_t(exitReplyTime.count())));
    comm.requestStop(OutgoingLine::command(QStringLiteral("FL 0")));
    comm.sendPendingStops();
}

// While the laser's port is gone only its stop commands wait for it: the queued lines, a recall
// or refresh and an unlock are dropped, each line named, so that nothing but the stops reaches
// the laser once it is found again.
void TaskRunner::dropWhileLinkLost()
{
    const QString why = QStringLiteral("Not sent, link lost");
    queue.beginSending();
    while (const std::optional<OutgoingLine> line = queue.nextToSend())
        comm.noteNotSent(line->text, why);
    if (recallPending)
        comm.noteNotSent(QStringLiteral("RC ") + QString::number(recallBin), why);
    recallPending = false;
    refreshPending = false;
    unlockAsked = false;
    energyModeReadBackDue = false;
}

void TaskRunner::requestRecall(int bin)
{
    recallBin = bin;
    recallPending = true;
    request();
}

void TaskRunner::requestRefresh()
{
    refreshPending = true;
    request();
}

void TaskRunner::requestUnlock()
{
    unlockAsked = true;
    request();
}

void TaskRunner::pausePolling()
{
    pollTimer.stop();
}

void TaskRunner::resumePolling()
{
    if (!ended)
        pollTimer.start();
}

void TaskRunner::restartPolling()
{
    if (!comm.isDetached())
        resumePolling();
}

bool TaskRunner::statusUpdateDueWithin(std::chrono::milliseconds lead) const
{
    return pollTimer.isActive() && pollTimer.remainingTime() <= lead.count();
}

// The update waits while another exchange holds the port or a batch is being sent; the timer
// then ticks again an interval later. It is off while the update runs, so that a tick arriving
// in one of its reply waits cannot start a second one.
void TaskRunner::statusTick()
{
    if (exitAsked || comm.isDetached()) {
        pollTimer.stop();
        return;
    }
    if (port.InUse() || taskBusy)
        return;
    pollTimer.stop();
    // The port question of a lost link is open: the tick that asked it resumes polling.
    if (comm.isLinkLost())
        return;
    actions.updateStatus();
    resumePolling();
}

void TaskRunner::end()
{
    ended = true;
    taskTimer.stop();
    pollTimer.stop();
}

} // namespace tovra
