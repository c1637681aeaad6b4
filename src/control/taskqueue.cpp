// The task timer: 5 ms after a handler asked for something, whenever no status poll runs, it
// carries out what the operator's handlers asked for, in a fixed order: a recall or refresh, the
// unlock dialog, the queued commands, and last the exit. With nothing pending it stays off, so
// the idle program sleeps between status polls.

#include "mainform.h"

#include "laserstate.h"

#include <QTimer>

#include <utility>

namespace tovra {

namespace {

bool tasksPending(const LaserState &state, bool energyModeReadBackDue)
{
    return state.recallPending || state.refreshPending || state.unlockPending || state.queuePending
        || state.exitRequested || energyModeReadBackDue;
}

} // namespace

// A running timer is left alone, so that a stream of requests does not keep pushing the first
// one's tick away.
void TMainForm::requestTasks()
{
    if (!ended && !TaskTimer->isActive())
        TaskTimer->start();
}

void TMainForm::QueuedCommandToPort(const QString &command)
{
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
    if (state.statusBusy) {
        if (tasksPending(state, energyModeReadBackDue))
            requestTasks();
        return;
    }
    state.taskBusy = true;

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

    if (state.unlockPending) {
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
        for (const QString &command : queue.takeBatch()) {
            if (raw)
                comm->SendRawLine(command);
            else
                comm->SendCommand(command);
        }
    }

    if (energyModeReadBack)
        readBackEnergyModeValue();

    if (state.exitRequested) {
        comm->SendCommand(QStringLiteral("FL 0"));
        ExitApp();
        return;
    }

    state.taskBusy = false;
    // What a handler asked for while this batch was being sent waits for the next tick.
    if (tasksPending(state, energyModeReadBackDue))
        requestTasks();
}

void TMainForm::ComPortTimeout()
{
    comm->HandleTimeout();
}

} // namespace tovra
