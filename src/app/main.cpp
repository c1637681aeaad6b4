// Entry of the program: makes what the program is given, the program (which wires its parts) and
// then the window over it.

#include "desktoplinkprompts.h"
#include "headless.h"
#include "historywriter.h"
#include "informationswitches.h"
#include "laserprogram.h"
#include "laserstate.h"
#include "mainform.h"
#include "programapi.h"
#include "programtimings.h"
#include "qtdesktop.h"
#include "remotecontrolview.h"
#include "serialdevice.h"
#include "shiftkeys.h"
#include "startswitches.h"
#include "stopsignals.h"
#include "versioninfo.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Answered before the application object exists, so that no display is needed for them.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    if (tovra::InformationSwitches::answer(arguments, out))
        return 0;
    if (tovra::hasSwitch(arguments, QStringLiteral("headless")))
        return tovra::runHeadless(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovra Laser Control"));
    // The window refuses the operator's close (the exit goes through the task timer), so closing
    // the last window must not end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    // Lets the desktop match the window with the installed desktop entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("com.marovane.tovra"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.marovane.tovra")));
    // One number format for the whole program, whatever the user's locale says.
    QLocale::setDefault(QLocale::c());

    tovra::StopSignals stopSignals;
    tovra::LaserState state;
    tovra::QtDesktop desktop;
    tovra::DesktopLinkPrompts linkPrompts(desktop);
    tovra::LaserProgram program({state, desktop, linkPrompts,
                                 tovra::StartSwitches::fromArguments(app.arguments().mid(1)),
                                 &tovra::readShiftKeysFromDisplay, tovra::createSerialDevice(),
                                 &tovra::StopSignals::received, tovra::ProgramTimings::fromEnvironment(),
                                 tovra::TrpVersionInfo().FileVersion(),
                                 tovra::configuredHistorySettings()});
    tovra::ProgramApi api(program);
    tovra::TMainForm mainForm(program);
    desktop.setParentWindow(&mainForm);
    tovra::showRemoteControlIn(mainForm, api);
    // Without its API (another program serves the socket) the window works as before.
    QString apiError;
    if (!api.listen(program.switches().apiTcp, &apiError))
        QTextStream(stderr) << "tovra: control API not served: " << apiError << Qt::endl;
    QObject::connect(&stopSignals, &tovra::StopSignals::stopRequested, &program,
                     &tovra::LaserProgram::stopSignalReceived);

    mainForm.FormCreate();
    if (mainForm.hasEnded())
        return 0;
    mainForm.show();
    return app.exec();
}
