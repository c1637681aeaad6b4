// bench_replug: how soon polling resumes once a pulled cable is plugged in again. The window runs
// against a paced simulated laser that vanishes and comes back at the same port; measured is the
// time from the moment its link reappears to the first status query after the settings were read
// again, set against the line time of what had to be exchanged meanwhile (the greeting, "ID?",
// ";LC:XL 0" and the settings load) plus 0.25 s for the greeting's two settling pauses and the
// wake-up.

#include "figures.h"
#include "taskrunner.h"
#include "simtranscript.h"

#include "laserstate.h"
#include "linkrecovery.h"
#include "mainform.h"
#include "programrig.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tovra;
using namespace tovra::bench;
using namespace std::chrono_literals;

namespace {

constexpr int LaserPort = 1;
const QByteArray ComeBackNote = "!! came back at ";
const QByteArray FirstStatusQuery = "<- ;LA:SC?";

QTime stampOf(const QByteArray &line)
{
    return QTime::fromString(QString::fromLatin1(line.left(12)), QStringLiteral("hh:mm:ss.zzz"));
}

// The simulator's own stamps: when its link came back, and when the first status query after that
// arrived; an invalid pair when the transcript holds no such pair past `fromLine`.
std::pair<QTime, QTime> comeBackAndFirstPoll(const QString &transcriptPath, qsizetype fromLine)
{
    QFile file(transcriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().split('\n').mid(fromLine);
    QTime back;
    for (const QByteArray &line : lines) {
        if (!back.isValid() && line.mid(13).startsWith(ComeBackNote))
            back = stampOf(line);
        else if (back.isValid() && line.mid(13).startsWith(FirstStatusQuery))
            return {back, stampOf(line)};
    }
    return {};
}

qsizetype lineCount(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = countFromArguments(app, QStringLiteral("Time to resume polling after a replug, against its line time."),
                                          QStringLiteral("rounds"), QStringLiteral("Replugs measured (5)."), 5);

    QTemporaryDir transcriptDir;
    const QString transcriptPath = transcriptDir.filePath(QStringLiteral("transcript.txt"));
    test::ProgramRig rig;
    sim::SimulatedLaser &laser = rig.ports.add(LaserPort);
    if (!laser.setTranscriptFile(transcriptPath))
        qFatal("cannot write the simulator's transcript");
    TMainForm &form = rig.start();
    form.laserProgram().tasks().pausePolling();
    if (form.laserProgram().inDemoMode())
        qFatal("the program did not connect to the simulated laser");
    // The question stays open until the program closes it, as a box nobody answers.
    rig.desktop.whileWarningOpen = [&rig](const QString &) {
        const int closed = rig.desktop.boxesClosed;
        static_cast<void>(QTest::qWaitFor([&] { return rig.desktop.boxesClosed != closed; }, 30000));
    };

    SimTranscript transcript(transcriptPath);
    QList<double> measuredMs;
    QList<double> lineTimeMs;
    for (int round = 0; round < rounds; ++round) {
        transcript.takeNew();
        const qsizetype fromLine = lineCount(transcriptPath);
        sim::ComeBack pluggedInAgain;
        pluggedInAgain.after = 500ms;
        laser.setComeBack(pluggedInAgain);
        laser.vanish();
        form.StatusTimerTimer();
        form.laserProgram().tasks().pausePolling();
        if (form.hasEnded() || !laser.waitForComeBacks(round + 1, 0ms))
            qFatal("the laser was not found again");
        QTest::qWait(200); // the last reply reaches the transcript
        const auto [back, firstPoll] = comeBackAndFirstPoll(transcriptPath, fromLine);
        if (!back.isValid() || !firstPoll.isValid())
            qFatal("no status query after the come-back");
        QList<TrafficLine> meanwhile;
        for (const TrafficLine &line : transcript.takeNew()) {
            if (line.at >= back && line.at < firstPoll)
                meanwhile.append(line);
        }
        measuredMs.append(double(back.msecsTo(firstPoll)));
        lineTimeMs.append(SimTranscript::lineLimitMs(meanwhile));
    }

    const double measured = median(measuredMs);
    const double lineTime = median(lineTimeMs);
    report(QStringLiteral("%1 replugs of a paced standard laser at the same port").arg(rounds));
    report(QStringLiteral("link back to first status query: median %1, line time %2 + 250 ms, ")
               .arg(milliseconds(measured), milliseconds(lineTime))
           + ratioAgainst(measured / (lineTime + 250.0), 1.0));
    return 0;
}
