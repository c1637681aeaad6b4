#include "programprocess.h"

#include "childprocess.h"
#include "simtranscript.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <algorithm>

namespace tovra::bench {

namespace {
constexpr int StartUpLimitMs = 60000;
} // namespace

QProcessEnvironment offscreenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

void startProgram(QProcess &program, const QString &executable, const QString &labPath, const QStringList &arguments)
{
    QProcessEnvironment environment = offscreenEnvironment();
    environment.insert(QStringLiteral("TOVRA_PORT_PATTERN"), QDir(labPath).filePath(QStringLiteral("com%d")));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(labPath);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(program);
    program.start(executable, arguments);
}

bool waitForFirstPoll(SimTranscript &transcript, const QProcess &program)
{
    const QDeadlineTimer deadline(StartUpLimitMs);
    while (!deadline.hasExpired() && program.state() == QProcess::Running) {
        if (countOf(transcript.takeNew(), StatusQuery) > 0)
            return true;
        QThread::msleep(100);
    }
    return false;
}

int countOf(const QList<TrafficLine> &traffic, const QByteArray &request)
{
    return int(std::count_if(traffic.begin(), traffic.end(),
                             [&](const TrafficLine &line) { return line.received && line.bytes == request; }));
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(15000))
        process.kill();
    process.waitForFinished();
}

} // namespace tovra::bench
