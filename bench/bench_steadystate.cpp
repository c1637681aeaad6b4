// bench_steadystate: the program as an operator runs it (tovra, here on the offscreen platform)
// against tovra-sim on a pty, left alone in steady state: the status poll once a second and
// nothing else. Its CPU time as a share of one core, over the whole run and between the polls,
// where it should sleep like an empty window; the CPU and peak memory of an empty Qt Widgets +
// Charts window are measured in the same run as the yardstick.

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
constexpr int EmptyWindowSettleMs = 1000;
constexpr double QuietCpuTargetPercent = 0.30;
// The program's CPU is sampled this often; a sample counts as "between polls" when neither it nor
// the QuietSamplesBefore samples before it saw traffic, so a poll's own work never counts.
constexpr auto SampleEvery = std::chrono::milliseconds(10);
constexpr int QuietSamplesBefore = 3;

struct SteadyState
{
    double seconds = 0;
    double cpuSeconds = 0;
    double quietSeconds = 0;
    double quietCpuSeconds = 0;
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
    const auto wallEnd = wallStart + std::chrono::seconds(seconds);
    SteadyState measured;
    QList<TrafficLine> traffic;
    double runSeconds = runSecondsOf(pid).value_or(0);
    auto sampledAt = std::chrono::steady_clock::now();
    int quietSamples = 0;
    while (sampledAt < wallEnd) {
        std::this_thread::sleep_for(SampleEvery);
        const double runNow = runSecondsOf(pid).value_or(runSeconds);
        const auto now = std::chrono::steady_clock::now();
        const QList<TrafficLine> fresh = transcript.takeNew();
        traffic += fresh;
        quietSamples = fresh.isEmpty() ? quietSamples + 1 : 0;
        if (quietSamples > QuietSamplesBefore) {
            measured.quietCpuSeconds += runNow - runSeconds;
            measured.quietSeconds += std::chrono::duration<double>(now - sampledAt).count();
        }
        runSeconds = runNow;
        sampledAt = now;
    }
    measured.cpuSeconds = cpuSecondsOf(pid).value_or(0) - cpuStart;
    measured.wakeUps = voluntarySwitchesOf(pid).value_or(0) - switchesStart;
    measured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    measured.peakMiB = peakResidentMiB(pid).value_or(0);
    traffic += transcript.takeNew();
    measured.polls = countOf(traffic, StatusQuery);
    measured.exchanges = SimTranscript::requestCount(traffic);
    stop(program);
    return measured;
}

struct EmptyWindow
{
    double cpuPercent = 0;
    double peakMiB = 0;
};

// The empty window, shown, painted and settled, left alone as long as the program was.
EmptyWindow measureEmptyWindow(int seconds)
{
    QProcess window;
    window.setProcessEnvironment(offscreenEnvironment());
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(window);
    const int lifetime = seconds + EmptyWindowSettleMs / 1000 + 5;
    window.start(QStringLiteral(EMPTY_WINDOW_EXECUTABLE), {QString::number(lifetime)});
    if (!window.waitForStarted() || !window.waitForReadyRead(30000))
        qFatal("the empty window did not come up");
    QThread::msleep(EmptyWindowSettleMs);
    const qint64 pid = window.processId();
    const double runStart = runSecondsOf(pid).value_or(0);
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    EmptyWindow measured;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    measured.cpuPercent = 100.0 * (runSecondsOf(pid).value_or(runStart) - runStart) / wall;
    measured.peakMiB = peakResidentMiB(pid).value_or(0);
    stop(window);
    return measured;
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

    const int seconds = std::max(1, parser.value(secondsOption).toInt());
    const SteadyState program = measureProgram(seconds);
    const EmptyWindow empty = measureEmptyWindow(seconds);
    const double quietPercent = program.quietSeconds > 0 ? 100.0 * program.quietCpuSeconds / program.quietSeconds : 0;

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
    report(QStringLiteral("CPU between polls: tovra %1 % of one core over %2 s between polls, "
                          "empty Qt Widgets + Charts window %3 % over %4 s, ")
               .arg(quietPercent, 0, 'f', 3)
               .arg(program.quietSeconds, 0, 'f', 1)
               .arg(empty.cpuPercent, 0, 'f', 3)
               .arg(seconds)
           + percentAgainst(quietPercent, QuietCpuTargetPercent));
    report(QStringLiteral("steady state peak memory: %1 MiB, empty Qt Widgets + Charts window %2 MiB, ")
               .arg(program.peakMiB, 0, 'f', 1)
               .arg(empty.peakMiB, 0, 'f', 1)
           + ratioAgainst(program.peakMiB / empty.peakMiB, 1.5));
    return 0;
}
