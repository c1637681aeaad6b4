// The window's task-timer handlers, kept under their own names: the queue and the timer are
// TaskRunner's (taskrunner.h).

#include "mainform.h"

#include "taskrunner.h"

namespace tovra {

void TMainForm::requestTasks()
{
    tasks->request();
}

void TMainForm::QueuedCommandToPort(const QString &command)
{
    tasks->queueCommand(command);
}

void TMainForm::TaskTimerTimer()
{
    tasks->tick();
}

void TMainForm::ProcessTasks()
{
    tasks->tick();
}

void TMainForm::ComPortTimeout()
{
    comm->HandleTimeout();
}

} // namespace tovra
