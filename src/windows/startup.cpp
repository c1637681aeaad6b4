// Start-up and shutdown of the main window: how the laser is reached, the start switches, and the
// three ways an instance ends (exit through the task timer, ExitApp, RestartApp).

#include "mainform.h"

#include "deferredmessages.h"

#include "desktop.h"
#include "laserstate.h"
#include "recordformat.h"
#include "rzcomport.h"
#include "scriptbridge.h"
#include "taskrunner.h"
#include "trafficview.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTimer>

namespace tovra {

namespace {

const QString NoDeviceQuestion = QStringLiteral(
    "No device found. Try to reconnect?\n\r\n\rMake sure unit is fully powered on\n\rbefore selecting Yes");

} // namespace

ShiftKeys TMainForm::shiftKeysNow() const
{
    ShiftKeys keys = readShiftKeys ? readShiftKeys() : ShiftKeys{};
    keys.left = keys.left || switches.demo;
    keys.right = keys.right || switches.pickPort;
    return keys;
}

void TMainForm::FormCreate()
{
    state.autoUpdateVoltages = true;
    state.loggingEnabled = false;
    state.initializedOnce = false;
    state.dataCollectionEnabled = false;

    const ShiftKeys keys = shiftKeysNow();
    if (keys.right) {
        if (!ComPort->Pick()) {
            ExitApp();
            return;
        }
        openPickedPort();
        tasks->setOnLaserPort();
    } else if (keys.left) {
        enterDemoMode();
    } else if (comm->ConnectToLaser()) {
        tasks->setOnLaserPort();
    } else {
        // A stop signal during the scan ends the program without the question.
        if (state.exitRequested) {
            ExitApp();
            return;
        }
        if (desktop.warning(NoDeviceQuestion, ButtonSet::YesNo) == Button::Yes) {
            RestartApp();
            return;
        }
        if (!shiftKeysNow().left) {
            ExitApp();
            return;
        }
        enterDemoMode();
    }

    state.userName = userNameFromEnvironment();
    state.startStamp = QDateTime::currentDateTime().toString(QStringLiteral("MM-dd-yy_hh-mm-ss"));

    if (switches.log)
        ToggleLoggingState();
    if (switches.data)
        ToggleDataCollection();

    comm->SendRawLine(QStringLiteral(";LC:XL 0"));
    ResponseList->clearTraffic();
    ComPort->setResponseTime(uint32_t(timings.responseTime.count()));
    Initialize();
    StatusTimer->start();
    ComPort->setAllowEvents(true);
    // A stop signal found during the load: the exit follows at once and the window never shows.
    if (state.exitRequested) {
        ProcessTasks();
        return;
    }
    startSharingIfAsked();
}

void TMainForm::openPickedPort()
{
    ComPort->Open();
    ComPort->setBaud(57600);
    ComPort->setEndOfResponse(QByteArrayLiteral("\r"));
    ComPort->setAllowEvents(false);
    ComPort->setShowErrors(false);
    ComPort->setResponseTime(uint32_t(timings.responseTime.count()));
}

// Demo mode runs without a laser and sends nothing: the port is never opened, so whatever device
// sits on port 1 is left alone.
void TMainForm::enterDemoMode()
{
    desktop.message(QStringLiteral("Entering Demo Mode"));
    state.demoMode = true;
    StatusTimer->stop();
    comm->detach();
}

void TMainForm::Exit1Click()
{
    state.exitRequested = true;
    requestTasks();
}

// A box left open would hold the exit for as long as no one answers it; closed without a button,
// it lets the code that opened it wind down, and the task timer then ends the program.
void TMainForm::StopSignalReceived()
{
    Exit1Click();
    desktop.closeOpenBoxes();
}

void TMainForm::R1Click()
{
    RestartApp();
}

void TMainForm::RestartApp()
{
    if (ended)
        return;
    // A stop the operator asked for while an exchange waited goes out before the port is let go:
    // the new instance would not know of it.
    comm->writePendingStopsBeforeLettingGo();
    ComPort->Close();
    endInstance();
    QThread::msleep(quint32(timings.restartPause.count()));
    desktop.startNewInstance();
}

void TMainForm::ExitApp()
{
    if (ended)
        return;
    endInstance();
}

// Both endings can be reached from inside a waiting read (the time-out question) or a status
// update (the port question). Nothing is destroyed here: the exchange cuts itself off the port,
// the timers stop and the files close, so the callers still on the stack wind down harmlessly
// and nothing more reaches the laser or a file.
void TMainForm::endInstance()
{
    ended = true;
    state.exitRequested = true;
    records.discardMessages();
    tasks->end();
    StatusTimer->stop();
    comm->writePendingStopsBeforeLettingGo();
    comm->detach();
    ScriptLines->stop();
    ComPort->setAllowEvents(false);
    ComPort->setShowErrors(false);
    ComPort->Close();
    if (state.loggingEnabled) {
        state.loggingEnabled = false;
        state.logFile.close();
    }
    if (state.dataCollectionEnabled) {
        state.dataCollectionEnabled = false;
        state.dataFile.close();
    }
    hide();
    QCoreApplication::exit(0);
    QCoreApplication::processEvents();
}

} // namespace tovra
