#pragma once

// The built program on a real X server, in a person's hands: the mouse and keyboard driven by
// xdotool, a simulated laser hearing what the program sends.

#include "builtfiles.h"
#include "mainformlayout.h"
#include "mainstatusbar.h"
#include "simport.h"
#include "xsession.h"

#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace tovra::test {

// The standard window keeps the client height it was designed with; the menu bar sits above it,
// the status bar below.
constexpr int standardClientHeight = 665;

inline int statusBarHeight()
{
    return MainStatusBar().sizeHint().height();
}

// Where the main window's controls stand in its client area, read from the layout itself.
class LayoutPlaces
{
public:
    LayoutPlaces() { ui.setupUi(&window, new QTextEdit); }

    QPoint centreOf(QWidget *control) const { return control->mapTo(ui.ClientArea, control->rect().center()); }

    QMainWindow window;
    MainFormLayout ui;
};

// The program started as the operator starts it, on a simulated laser at port 1 (or at each of
// `laserPorts`, `laser` being the first), shown on `session`.
class ProgramOnScreen
{
public:
    ProgramOnScreen(XSession &session, const sim::LaserConfig &config = {},
                    const QStringList &environment = {}, const QStringList &arguments = {},
                    const QList<int> &laserPorts = {1})
        : session(session), laser(ports.add(laserPorts.first(), config))
    {
        for (int port : laserPorts.mid(1))
            ports.add(port);
        program.setWorkingDirectory(workDir.path());
        QProcessEnvironment variables = session.environment();
        // Its own runtime folder (QTemporaryDir makes it the user's alone): programs of tests
        // running side by side never meet at one control API socket or shared port link.
        variables.insert(QStringLiteral("XDG_RUNTIME_DIR"), workDir.path());
        // A simulated laser needs no time to settle while the scan greets it.
        const QString timings = QStringLiteral("TOVRA_TEST_TIMINGS");
        variables.insert(timings, QStringLiteral("scanPause=0"));
        for (const QString &assignment : environment) {
            const QString name = assignment.section(QLatin1Char('='), 0, 0);
            QString value = assignment.section(QLatin1Char('='), 1);
            // Timings a test names come on top of the scan's (the last of a name holds).
            if (name == timings)
                value = variables.value(timings) + QLatin1Char(',') + value;
            variables.insert(name, value);
        }
        program.setProcessEnvironment(variables);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(programFile(), arguments);
    }

    ~ProgramOnScreen()
    {
        if (program.state() == QProcess::NotRunning)
            return;
        program.terminate();
        if (!program.waitForFinished(10000))
            program.kill();
        program.waitForFinished(5000);
    }

    // Waits for the start-up to finish and the window to show and take the keyboard.
    bool ready()
    {
        if (!program.waitForStarted(10000))
            return false;
        if (!QTest::qWaitFor([this] { return laser.transcript().contains(";LC:XL 0"); }, 20000))
            return false;
        window = session.waitForWindowOf(program.processId());
        if (!window)
            return false;
        if (!session.focus(window))
            return false;
        laser.clearTranscript();
        return true;
    }

    // A point of the client area (below the menu bar) of the standard window, on the screen.
    QPoint onScreen(QPoint inClientArea) const
    {
        const QRect client = session.clientGeometry(window);
        return client.topLeft() + QPoint(0, client.height() - standardClientHeight - statusBarHeight()) + inClientArea;
    }

    void key(const QStringList &keys) const
    {
        session.xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + keys);
    }

    void moveMouseTo(QPoint point) const
    {
        // --sync waits for the pointer to move, which it never does when it stands there already:
        // xdotool would hang until it is killed.
        if (session.pointer() == point)
            return;
        session.xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(point.x()),
                         QString::number(point.y())});
    }

    // `times` clicks by one xdotool run (a wheel turned by many notches).
    void click(int button = 1, int times = 1) const
    {
        session.xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(times),
                         QStringLiteral("--delay"), QStringLiteral("20"), QString::number(button)});
    }

    // The program's visible windows other than its main window: its open boxes and dialogs.
    QStringList otherWindows() const
    {
        QStringList windows;
        for (qulonglong other : session.windowsOf(program.processId())) {
            if (other != window)
                windows.append(QString::number(other));
        }
        return windows;
    }

    XSession &session;
    SimPorts ports;
    sim::SimulatedLaser &laser;
    QTemporaryDir workDir;
    QProcess program;
    qulonglong window = 0;
};

} // namespace tovra::test
