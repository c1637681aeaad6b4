#pragma once

#include <QStringList>

namespace tovra {

// What the operator asked for when starting the program: the command-line switches, each a whole
// argument of "-" or "/" and the switch name in any letter case ("/LOG", "-Log"; not "--log"),
// and the Shift keys held at that moment. The "demo" switch stands in for Left Shift and
// "pickport" for Right Shift where no keyboard state can be read.
struct StartSwitches
{
    bool log = false;
    bool data = false;
    bool demo = false;
    bool pickPort = false;
    bool share = false; // share the laser's port with scripts from the start
    bool headless = false; // no window: the program runs as a service
    bool remoteFiring = false; // headless: remote firing allowed from the start
    int port = 0; // port=N: the laser's port, not scanned for; 0 when not given
    QString apiTcp; // api=HOST:PORT: the control API on TCP as well; empty when not given

    static StartSwitches fromArguments(const QStringList &arguments);
};

bool hasSwitch(const QStringList &arguments, const QString &name);
// The value of a switch written "-name=value" (name in any letter case); empty when not given.
QString switchValue(const QStringList &arguments, const QString &name);

struct ShiftKeys
{
    bool left = false;
    bool right = false;
};

} // namespace tovra
