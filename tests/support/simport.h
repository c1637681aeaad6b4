#pragma once

#include "simulatedlaser.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <memory>

namespace tovra {
class TRZComPort;
}

namespace tovra::test {

// The line settings the program gives the laser's port (57600 8E1, CR ends a reply), with errors
// kept out of boxes and the given reply time.
void setUpLaserPort(TRZComPort &port, uint32_t responseTime = 1000);

// A laser of `family` with the model name its family answers.
sim::LaserConfig laserOfFamily(sim::Family family);

// A folder of port links for one test: sets TOVRA_PORT_PATTERN so that port n is <dir>/com<n>,
// and places simulated lasers on port numbers. Destroying it stops the lasers and restores the
// environment.
class SimPorts
{
public:
    SimPorts();
    ~SimPorts();

    sim::SimulatedLaser &add(int port, const sim::LaserConfig &config = {});
    sim::SimulatedLaser &laser(int port);
    QString pathOf(int port) const;
    // A pattern that maps every port number into this folder.
    QString pattern() const;

private:
    QTemporaryDir dir;
    QByteArray previousPattern;
    bool hadPattern = false;
    std::map<int, std::unique_ptr<sim::SimulatedLaser>> lasers;
};

} // namespace tovra::test
