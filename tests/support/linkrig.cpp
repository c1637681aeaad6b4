#include "linkrig.h"

namespace tovra::test {

void RigTerminal::appendTrafficLine(const QString &line, TrafficDirection direction)
{
    if (direction == TrafficDirection::Sent && onSent)
        onSent(line.section(QStringLiteral(") "), 1));
}

LinkRig::LinkRig(const sim::LaserConfig &config, std::unique_ptr<SerialDevice> device)
    : laser(ports.add(1, config))
    , prompts(desktop)
    , port(prompts, nullptr, std::move(device))
    , comm(port, state, terminal, prompts)
{
    setUpLaserPort(port);
}

} // namespace tovra::test
