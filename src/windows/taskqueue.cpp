// The window's task-timer handlers, kept under their own names: the queue and the timer are the
// program's (taskrunner.h).

#include "mainform.h"

#include "communication.h"

namespace tovra {

void TMainForm::requestTasks()
{
    program.requestTasks();
}

void TMainForm::QueuedCommandToPort(const QString &command)
{
    program.queueCommand(command);
}

void TMainForm::TaskTimerTimer()
{
    program.processTasks();
}

void TMainForm::ProcessTasks()
{
    program.processTasks();
}

void TMainForm::ComPortTimeout()
{
    program.communication().HandleTimeout();
}

} // namespace tovra
