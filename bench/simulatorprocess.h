#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tovra::bench {

// The tovra-sim executable on a pty linked at `linkPath`, paced like a real laser unless the
// options say otherwise. It runs in a process of its own, so that the CPU time of the process
// under measurement is its own alone. Destruction stops it (SIGTERM), which removes the link.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QString &linkPath, const QStringList &options = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

private:
    QProcess process;
};

} // namespace tovra::bench
