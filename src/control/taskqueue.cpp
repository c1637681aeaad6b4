// The task timer: every 5 ms, whenever no status poll runs, it carries out what the operator's
// handlers asked for, in a fixed order: a recall or refresh, the unlock dialog, the queued
// commands, and last the exit.

#include "mainform.h"

#include "laserstate.h"
#include "scriptbridge.h"

#include <QTimer>

#include <utility>

namespace tovra {

void TMainForm::QueuedCommandToPort(const QString &command)
{
    if (state.commandsInhibited)
        return;
    queue.append(command);
    TaskTimer->start();
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
        TaskTimer->start();
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

    ScriptLines->sendWaitingLines();

    if (state.exitRequested) {
        comm->SendCommand(QStringLiteral("FL 0"));
        ExitApp();
        return;
    }

    state.taskBusy = false;
    if (!ended)
        TaskTimer->start();
}

void TMainForm::ComPortTimeout()
{
    comm->HandleTimeout();
}

} // namespace tovra
