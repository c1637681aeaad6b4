#pragma once

#include "communication.h"
#include "desktoplinkprompts.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "scripteddesktop.h"
#include "simport.h"
#include "terminalview.h"

#include <QString>

#include <functional>

namespace tovra::test {

// The terminal of a rig without a window: shows nothing, and hands each sent line (as it stands
// on the terminal, without its time stamp) to `onSent` where a test wants to see them.
class RigTerminal : public TerminalView
{
public:
    void appendTrafficLine(const QString &line, TrafficDirection direction) override;
    void clearTraffic() override {}

    std::function<void(const QString &line)> onSent;
};

// What the program has once the scan found a simulated laser on port 1, without a window: the
// laser, a scripted desktop answering the link's prompts, the laser state, the port set up as the
// program sets it and the exchange on top. The windowless tests build their part on it.
struct LinkRig
{
    // `device` stands between the port and the laser's pty: the system's, or one that injects faults.
    explicit LinkRig(const sim::LaserConfig &config = {}, std::unique_ptr<SerialDevice> device = createSerialDevice());

    SimPorts ports;
    sim::SimulatedLaser &laser;
    ScriptedDesktop desktop;
    DesktopLinkPrompts prompts;
    LaserState state;
    RigTerminal terminal;
    TRZComPort port;
    Communication comm;
};

} // namespace tovra::test
