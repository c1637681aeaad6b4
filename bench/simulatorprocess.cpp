#include "simulatorprocess.h"

#include "childprocess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace tovra::bench {

SimulatorProcess::SimulatorProcess(const QString &linkPath, const QStringList &options)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    endWithThisProcess(process);
    process.start(QStringLiteral(TOVRA_SIM_EXECUTABLE), QStringList{QStringLiteral("--link"), linkPath} + options);
    if (!process.waitForStarted())
        qFatal("cannot start %s", TOVRA_SIM_EXECUTABLE);
    // The link appears once the pty is open and the laser listens.
    const QDeadlineTimer deadline(5000);
    while (!QFileInfo(linkPath).isSymLink()) {
        if (deadline.hasExpired() || process.state() != QProcess::Running)
            qFatal("the simulated laser did not come up at %s", qPrintable(linkPath));
        QThread::msleep(10);
    }
}

SimulatorProcess::~SimulatorProcess()
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

} // namespace tovra::bench
