// The task timer: 5 ms after a handler asked for something, whenever no status poll runs, it
// carries out what the operator's handlers asked for, in a fixed order: stop commands, a recall or
// refresh, the unlock dialog, the queued commands, a script's lines, and last the exit. With
// nothing pending it stays off, so the idle program sleeps between status polls.

#include "mainform.h"

#include "laserstate.h"
#include "rzcomport.h"
#include "scopedflag.h"
#include "scriptbridge.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace tovra {

namespace {

// The reply to the exit's "FL 0" is waited for this long at most (ms): it has been written by
// then, and a laser that does not answer must not hold the program.
constexpr uint32_t ExitReplyTime = 1000;

bool isStopCommand(const QString &command)
{
    return command == QLatin1String("FL 0") || command == QLatin1String("EN 0");
}

} // namespace

// A running timer is left alone, so that a stream of requests does not keep pushing the first
// one's tick away.
void TMainForm::requestTasks()
{
    if (!ended && !TaskTimer->isActive())
        TaskTimer->start();
}

bool TMainForm::tasksPending() const
{
    return state.recallPending || state.refreshPending || state.unlockPending || state.queuePending
        || state.exitRequested || energyModeReadBackDue || comm->stopPending() || ScriptLines->hasWaitingLines();
}

// Stop commands are never dropped: they bypass the inhibit and the queue and go out at the next
// exchange boundary (a running load or status update sends them between two of its queries).
// Being sent ahead, a stop takes the earlier waiting commands of its kind with it, so that a
// "FL 1" queued before the Stop press cannot follow the "FL 0" and fire the laser again.
void TMainForm::QueuedCommandToPort(const QString &command)
{
    if (isStopCommand(command)) {
        queue.withdraw(mnemonicOf(command));
        comm->requestStop(command);
        requestTasks();
        return;
    }
    if (state.commandsInhibited)
        return;
    queue.append(command);
    requestTasks();
}

void TMainForm::TaskTimerTimer()
{
    ProcessTasks();
}

void TMainForm::ProcessTasks()
{
    // A tick that arrives while a batch waits for a reply must not start a second run: it would
    // find the port busy and lose its commands.
    if (state.taskBusy)
        return;
    TaskTimer->stop();
    // A handler that exchanges directly may be waiting for its reply: the work waits for it
    // rather than find the port busy and lose its commands.
    if (state.statusBusy || ComPort->InUse()) {
        if (tasksPending())
            requestTasks();
        return;
    }
    const ScopedFlag busy(state.taskBusy);

    comm->sendPendingStops();

    if (state.recallPending || state.refreshPending) {
        StatusTimer->stop();
        if (state.recallPending)
            comm->SendCommand(QStringLiteral("RC ") + QString::number(state.recallBin));
        Initialize();
        state.recallPending = false;
        state.refreshPending = false;
        if (!ended)
            StatusTimer->start();
    }

    // No password box on the way out: it would hold the exit.
    if (state.unlockPending && !state.exitRequested) {
        UnlockLaser();
        state.unlockPending = false;
    }

    // The read-back of an energy-mode choice follows the batch that carries its "EM" command; a
    // choice made while this batch is being sent is read back after the next one.
    const bool energyModeReadBack = std::exchange(energyModeReadBackDue, false);
    if (state.queuePending) {
        // The raw flag belongs to the batch taken now; a terminal line queued while this batch is
        // being sent sets it again for the next one.
        const bool raw = state.queueRawLines;
        state.queueRawLines = false;
        queue.beginSending();
        while (const std::optional<QString> command = queue.nextToSend()) {
            if (raw)
                comm->SendRawLine(*command);
            else
                comm->SendCommand(*command);
        }
    }

    if (energyModeReadBack)
        readBackEnergyModeValue();

    ScriptLines->sendWaitingLines();

    if (state.exitRequested) {
        sendExitStop();
        ExitApp();
        return;
    }

    // What a handler asked for while this batch was being sent waits for the next tick.
    if (tasksPending())
        requestTasks();
}

// The last word to the laser, and only to a port known to be the laser's: another device on the
// last port a failed scan tried must not receive it. A time-out here asks no question.
void TMainForm::sendExitStop()
{
    if (!onLaserPort)
        return;
    ComPort->setResponseTime(std::min(ComPort->ResponseTime(), ExitReplyTime));
    comm->requestStop(QStringLiteral("FL 0"));
    comm->sendPendingStops();
}

void TMainForm::ComPortTimeout()
{
    comm->HandleTimeout();
}

} // namespace tovra
