// Entry of the program, and the one place where its objects are made and wired together.

#include "laserstate.h"
#include "mainform.h"
#include "qtdesktop.h"
#include "serialdevice.h"
#include "shiftkeys.h"
#include "startswitches.h"
#include "stopsignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovra Laser Control"));
    // The window refuses the operator's close (the exit goes through the task timer), so closing
    // the last window must not end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);

    tovra::StopSignals stopSignals;
    tovra::LaserState state;
    tovra::QtDesktop desktop;
    tovra::TMainForm mainForm({state, desktop, tovra::StartSwitches::fromArguments(app.arguments().mid(1)),
                               &tovra::readShiftKeysFromDisplay, tovra::createSerialDevice(),
                               &tovra::StopSignals::received});
    desktop.setParentWindow(&mainForm);
    QObject::connect(&stopSignals, &tovra::StopSignals::stopRequested, &mainForm,
                     &tovra::TMainForm::StopSignalReceived);

    mainForm.FormCreate();
    if (mainForm.hasEnded())
        return 0;
    mainForm.show();
    return app.exec();
}
