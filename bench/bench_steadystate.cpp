// bench_steadystate: the program as an operator runs it (tovra, here on the offscreen platform)
// against tovra-sim on a pty, left alone in steady state: the status poll once a second, the task
// timer every 5 ms. Its CPU time as a share of one core, and its peak memory set against an empty
// Qt Widgets + Charts window measured in the same run.

#include "childprocess.h"
#include "figures.h"
#include "processusage.h"
#include "programprocess.h"
#include "simtranscript.h"
#include "simulatorprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <thread>

using namespace tovra::bench;

namespace {

constexpr int SettleMs = 2000;
constexpr int EmptyWindowSeconds = 4;

struct SteadyState
{
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
    int polls = 0;
    int exchanges = 0;
    qint64 wakeUps = 0;
};

SteadyState measureProgram(int seconds)
{
    QTemporaryDir lab;
    const QString transcriptPath = lab.filePath(QStringLiteral("transcript.txt"));
    SimulatorProcess laser(lab.filePath(QStringLiteral("com1")),
                           {QStringLiteral("--heaters"), QStringLiteral("0"), QStringLiteral("--transcript"),
                            transcriptPath});
    SimTranscript transcript(transcriptPath);

    QProcess program;
    startProgram(program, QStringLiteral(TOVRA_EXECUTABLE), lab.path());
    if (!program.waitForStarted() || !waitForFirstPoll(transcript, program))
        qFatal("the program did not start polling the simulated laser");
    QThread::msleep(SettleMs);

    const qint64 pid = program.processId();
    transcript.takeNew();
    const double cpuStart = cpuSecondsOf(pid).value_or(0);
    const qint64 switchesStart = voluntarySwitchesOf(pid).value_or(0);
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    SteadyState measured;
    measured.cpuSeconds = cpuSecondsOf(pid).value_or(0) - cpuStart;
    measured.wakeUps = voluntarySwitchesOf(pid).value_or(0) - switchesStart;
    measured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    measured.peakMiB = peakResidentMiB(pid).value_or(0);
    const QList<TrafficLine> traffic = transcript.takeNew();
    measured.polls = countOf(traffic, StatusQuery);
    measured.exchanges = SimTranscript::requestCount(traffic);
    stop(program);
    return measured;
}

double emptyWindowPeakMiB()
{
    QProcess window;
    window.setProcessEnvironment(offscreenEnvironment());
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(window);
    window.start(QStringLiteral(EMPTY_WINDOW_EXECUTABLE), {QString::number(EmptyWindowSeconds)});
    if (!window.waitForStarted() || !window.waitForReadyRead(30000))
        qFatal("the empty window did not come up");
    QThread::msleep(1000); // painted and settled
    const double peak = peakResidentMiB(window.processId()).value_or(0);
    stop(window);
    return peak;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("CPU and memory of the running program in steady state."));
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Steady-state time measured (30)."),
                                           QStringLiteral("n"), QStringLiteral("30"));
    parser.addOption(secondsOption);
    parser.process(app);

    const SteadyState program = measureProgram(std::max(1, parser.value(secondsOption).toInt()));
    const double emptyPeak = emptyWindowPeakMiB();

    report(QStringLiteral("steady state of tovra against the paced simulator (standard laser, heater 0): %1 s, "
                          "%2 status polls, %3 exchanges, %4 wake-ups a second")
               .arg(program.seconds, 0, 'f', 1)
               .arg(program.polls)
               .arg(program.exchanges)
               .arg(double(program.wakeUps) / program.seconds, 0, 'f', 0));
    report(QStringLiteral("steady state CPU: %1 s in %2 s, ")
               .arg(program.cpuSeconds, 0, 'f', 2)
               .arg(program.seconds, 0, 'f', 1)
           + percentAgainst(100.0 * program.cpuSeconds / program.seconds, 1));
    report(QStringLiteral("steady state peak memory: %1 MiB, empty Qt Widgets + Charts window %2 MiB, ")
               .arg(program.peakMiB, 0, 'f', 1)
               .arg(emptyPeak, 0, 'f', 1)
           + ratioAgainst(program.peakMiB / emptyPeak, 1.5));
    return 0;
}
