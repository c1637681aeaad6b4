// Start-up and shutdown of the main window: the program reaches the laser and ends the instance;
// the window follows.

#include "mainform.h"

#include "laserstate.h"
#include "taskrunner.h"

namespace tovra {

void TMainForm::FormCreate()
{
    program.start();
    // A stop signal found during the load: the exit has followed and the window never shows.
    if (program.hasEnded() || program.tasks().exitRequested())
        return;
    showSharingState();
}

void TMainForm::Exit1Click()
{
    program.requestExit();
}

void TMainForm::StopSignalReceived()
{
    program.stopSignalReceived();
}

void TMainForm::R1Click()
{
    RestartApp();
}

void TMainForm::RestartApp()
{
    program.restart();
}

void TMainForm::ExitApp()
{
    program.exitNow();
}

} // namespace tovra
