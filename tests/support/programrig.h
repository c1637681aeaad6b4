#pragma once

#include "desktoplinkprompts.h"
#include "laserprogram.h"
#include "laserstate.h"
#include "mainform.h"
#include "scripteddesktop.h"
#include "simport.h"

#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>

namespace tovra::test {

// The whole program as its entry point wires it, with the operator replaced by a scripted
// desktop, the keyboard by `keys`, the laser by simulators on ports and the working folder by a
// fresh temporary one (the record files land there).
class ProgramRig
{
public:
    ProgramRig();
    ~ProgramRig();

    // Creates the program and the main window over it and runs the start-up with the given
    // command-line arguments.
    TMainForm &start(const QStringList &arguments = {});
    TMainForm &form() { return *mainForm; }
    LaserProgram &program() { return *laserProgram; }
    QString workPath() const { return workDir.path(); }
    // The lines of a record file in the working folder, without line ends.
    QStringList fileLines(const QString &fileName) const;

    SimPorts ports;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts{desktop};
    LaserState state;
    std::function<ShiftKeys()> keys;
    // Stands for the stop-signal flag the program asks at every exchange boundary.
    std::function<bool()> stopSignalled;
    // The program's own timings, but for a restart and a scan that do not pause: nothing outside
    // the test needs the time, and a simulated laser needs no time to settle. Tests shorten the
    // rest where the length of a wait is not what they check.
    ProgramTimings timings = withoutPauses();
    // The port's device; the system's unless a test puts a faulty one here before start().
    std::unique_ptr<SerialDevice> serialDevice;
    // Where the status poll's history is kept; none unless a test or benchmark looks at it.
    std::optional<HistorySettings> history;

private:
    static ProgramTimings withoutPauses()
    {
        ProgramTimings timings;
        timings.restartPause = std::chrono::milliseconds(0);
        timings.scanPause = std::chrono::milliseconds(0);
        return timings;
    }

    QTemporaryDir workDir;
    QString previousDir;
    std::unique_ptr<LaserProgram> laserProgram;
    std::unique_ptr<TMainForm> mainForm;
};

} // namespace tovra::test
