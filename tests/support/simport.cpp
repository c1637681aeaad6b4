#include "simport.h"

#include "rzcomport.h"

#include <QtGlobal>

namespace tovra::test {

SimPorts::SimPorts()
    : previousPattern(qgetenv("TOVRA_PORT_PATTERN"))
    , hadPattern(qEnvironmentVariableIsSet("TOVRA_PORT_PATTERN"))
{
    qputenv("TOVRA_PORT_PATTERN", pattern().toLocal8Bit());
}

SimPorts::~SimPorts()
{
    lasers.clear();
    if (hadPattern)
        qputenv("TOVRA_PORT_PATTERN", previousPattern);
    else
        qunsetenv("TOVRA_PORT_PATTERN");
}

sim::SimulatedLaser &SimPorts::add(int port, const sim::LaserConfig &config)
{
    auto laser = std::make_unique<sim::SimulatedLaser>(config);
    if (!laser->start(pathOf(port)))
        qFatal("cannot start a simulated laser on port %d", port);
    auto &slot = lasers[port];
    slot = std::move(laser);
    return *slot;
}

sim::SimulatedLaser &SimPorts::laser(int port)
{
    return *lasers.at(port);
}

QString SimPorts::pathOf(int port) const
{
    return dir.path() + QStringLiteral("/com") + QString::number(port);
}

QString SimPorts::pattern() const
{
    return dir.path() + QStringLiteral("/com%d");
}

sim::LaserConfig laserOfFamily(sim::Family family)
{
    sim::LaserConfig laser;
    laser.family = family;
    laser.model = family == sim::Family::Micro ? "MicroTovra" : family == sim::Family::Mini ? "MiniTovra" : "Tovra";
    return laser;
}

void setUpLaserPort(TRZComPort &port, uint32_t responseTime)
{
    port.setBaud(57600);
    port.setParity(TParity::parEven);
    port.setEndOfResponse("\r");
    port.setShowErrors(false);
    port.setResponseTime(responseTime);
}

} // namespace tovra::test
