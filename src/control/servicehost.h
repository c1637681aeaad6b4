#pragma once

#include "parametertable.h"

#include <QString>

namespace tovra {

// The service code: the operator types it to open the service window, and the window, as it
// opens, unlocks the laser's service commands with it ("SEC " + the code).
inline const QString ServiceCode = QStringLiteral("53871");

// What the service window needs of the window that hosts it (the main window): its commands go
// through the host's queue, only the service code goes to the port at once, and the calibrated
// limits and heater set points show in the host's controls.
class ServiceHost
{
public:
    virtual ~ServiceHost() = default;
    // Queued like the host's own commands: dropped while the laser state inhibits commands (as
    // during a settings load), stop commands excepted.
    virtual void queueCommand(const QString &command) = 0;
    // Queued the same way, to go out exactly as given, without the command address.
    virtual void queueRawLine(const QString &line) = 0;
    // Sent directly, ahead of whatever is queued.
    virtual void sendDirectly(const QString &command) = 0;
    // The control of a limited setting (one with a calibration command in the parameter table)
    // takes the maximum in force; a value the maximum excludes is limited in the control and the
    // laser state, and nothing is sent.
    virtual void showMaximum(Setting setting, double maximum) = 0;
    // The operator calibrated a new maximum: shown as above, and a value it limited goes to the
    // laser as the operator's own setting would.
    virtual void applyCalibratedMaximum(Setting setting, double maximum) = 0;
    virtual void showHeaterTarget(int heater, double setpoint) = 0;
    // A status update is reading the laser (saving to every bin waits for it to end).
    virtual bool statusUpdating() const = 0;
};

} // namespace tovra
