// bench_statusupdate: one full status update of a standard laser with three heater modules, set
// points included (19 exchanges), made by the main window against the paced simulated laser, set
// against the line limit of those exchanges.

#include "figures.h"
#include "processusage.h"
#include "simtranscript.h"
#include "simulatorprocess.h"

#include "laserstate.h"
#include "mainform.h"
#include "programrig.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTest>

using namespace tovra;
using namespace tovra::bench;

namespace {

constexpr int LaserPort = 1;
// Long enough for the last reply to reach the transcript, short of the status timer's second.
constexpr int PauseBetweenUpdatesMs = 200;

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int updates = countFromArguments(app, QStringLiteral("Status update time against the line limit."),
                                           QStringLiteral("updates"), QStringLiteral("Updates measured (20)."), 20);

    QTemporaryDir transcriptDir;
    const QString transcriptPath = transcriptDir.filePath(QStringLiteral("transcript.txt"));
    test::ProgramRig rig;
    SimulatorProcess laser(rig.ports.pathOf(LaserPort),
                           {QStringLiteral("--heaters"), QStringLiteral("0,1,2"), QStringLiteral("--transcript"),
                            transcriptPath});
    TMainForm &form = rig.start();
    form.show();
    LaserState &state = form.laserState();
    if (state.demoMode || !state.isStandardModel || !state.hasHeater0)
        qFatal("the program did not connect to the simulated standard laser with heater 0");
    // The settings load asks for heaters 1 and 2 only when heater 0 is missing; the laser has all
    // three, and the poll asks for every heater whose flag is set: the longest update there is.
    state.hasHeater1 = true;
    state.hasHeater2 = true;

    SimTranscript transcript(transcriptPath);
    QList<double> wallMs;
    QList<double> limitMs;
    QList<int> exchanges;
    QList<double> latenessMs;
    UsageMeter usage;
    for (int update = 0; update <= updates; ++update) {
        QTest::qWait(PauseBetweenUpdatesMs);
        transcript.takeNew(); // whatever came before this update
        // Every measured update is a third one, which re-reads the heater set points.
        state.setpointPollCount = 2;
        usage.begin();
        form.StatusTimerTimer();
        const double ms = usage.end();
        QTest::qWait(PauseBetweenUpdatesMs);
        const QList<TrafficLine> traffic = transcript.takeNew();
        if (update == 0) {
            usage = {}; // the first update warms up
            continue;
        }
        wallMs.append(ms);
        limitMs.append(SimTranscript::lineLimitMs(traffic));
        exchanges.append(SimTranscript::requestCount(traffic));
        latenessMs.append(SimTranscript::simulatorLatenessMs(traffic));
    }

    const double medianWall = median(wallMs);
    const double medianLimit = median(limitMs);
    report(QStringLiteral("%1 status updates of a standard laser with heaters 0, 1 and 2, set points included, "
                          "%2 to %3 exchanges each")
               .arg(updates)
               .arg(*std::min_element(exchanges.begin(), exchanges.end()))
               .arg(*std::max_element(exchanges.begin(), exchanges.end())));
    report(QStringLiteral("status update: median %1, line limit %2, ")
               .arg(milliseconds(medianWall), milliseconds(medianLimit))
           + ratioAgainst(medianWall / medianLimit, 1.10));
    report(QStringLiteral("status update CPU: %1 s in %2 s, ")
               .arg(usage.cpuSeconds(), 0, 'f', 3)
               .arg(usage.wallSeconds(), 0, 'f', 2)
           + percentAgainst(usage.cpuPercentOfWall(), 5));
    const double medianLateness = median(latenessMs);
    report(QStringLiteral("  reference: the simulator answered %1 per update later than the wire allows; "
                          "without that the update takes %2, ratio %3")
               .arg(milliseconds(medianLateness), milliseconds(medianWall - medianLateness))
               .arg((medianWall - medianLateness) / medianLimit, 0, 'f', 2));
    return 0;
}
