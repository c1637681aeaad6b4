#pragma once

#include "simulatedlaser.h"

#include <QString>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace tovra::test {

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
