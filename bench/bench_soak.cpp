// bench_soak: the program as an operator runs it (tovra -data, here on the offscreen platform)
// against tovra-sim with faults that come and go by chance, for N minutes. Resident memory, open
// file descriptors and CPU time at start and end, and the data file set against what the laser
// sent: every row with its columns, no value that the laser did not send, and (each reading
// answering from a range of its own) no value under another quantity's column.

#include "datafilecheck.h"
#include "figures.h"
#include "processusage.h"
#include "programprocess.h"
#include "simtranscript.h"
#include "simulatorprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <thread>

using namespace tovra::bench;

namespace {

using Clock = std::chrono::steady_clock;

// The start is measured once the threads that start-up used have gone idle and ended (Qt's thread
// pool lets a thread go after 30 s; each takes its event descriptor with it).
constexpr int SettleMs = 35000;
// A look at the program this often: is it still polling?
constexpr auto LookEvery = std::chrono::seconds(10);
// A standard laser with heaters 1 and 2 fills every column of the data file's header.
const QList<QByteArray> ColumnQueries = {";LA:BV?", ";LA:FV?", ";LA:FT?", ";LA:IM?",
                                         ";LA:TA?", ";LA:TB?", ";LA:H1:TP?", ";LA:H2:TP?"};

struct Usage
{
    double residentMiB = 0;
    int descriptors = 0;
    double cpuSeconds = 0;
};

// The program opens and closes the port around its exchanges, so a single look at its
// descriptors may catch the port open or shut: the fewest over two seconds is its lasting set.
int lastingDescriptorsOf(qint64 pid)
{
    constexpr int Looks = 20;
    int fewest = openDescriptorsOf(pid).value_or(0);
    for (int look = 1; look < Looks; ++look) {
        QThread::msleep(100);
        fewest = std::min(fewest, openDescriptorsOf(pid).value_or(0));
    }
    return fewest;
}

Usage usageOf(qint64 pid)
{
    Usage usage;
    usage.descriptors = lastingDescriptorsOf(pid);
    usage.residentMiB = residentMiB(pid).value_or(0);
    usage.cpuSeconds = cpuSecondsOf(pid).value_or(0);
    return usage;
}

int faultsNotedIn(const QString &transcriptPath)
{
    QFile file(transcriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count(" !! "));
}

struct Soak
{
    double seconds = 0;
    Usage start;
    Usage end;
    int polls = 0;
    int quietStretches = 0; // looks at which no status poll had come since the last look
    int faults = 0;
    bool endedByItself = false;
    DataFileCheck data;
};

Soak soak(int minutes, uint32_t seed, bool keep)
{
    QTemporaryDir lab;
    lab.setAutoRemove(!keep);
    if (keep)
        report(QStringLiteral("soak: transcript and data file stay in ") + lab.path());
    const QString transcriptPath = lab.filePath(QStringLiteral("transcript.txt"));
    SimulatorProcess laser(lab.filePath(QStringLiteral("com1")),
                           {QStringLiteral("--heaters"), QStringLiteral("1,2"), QStringLiteral("--transcript"),
                            transcriptPath, QStringLiteral("--random-faults"), QString::number(seed),
                            QStringLiteral("--distinct-readings")});
    SimTranscript transcript(transcriptPath);

    QProcess program;
    startProgram(program, QStringLiteral(TOVRA_EXECUTABLE), lab.path(), {QStringLiteral("-data")});
    if (!program.waitForStarted() || !waitForFirstPoll(transcript, program))
        qFatal("the program did not start polling the simulated laser");
    QThread::msleep(SettleMs);

    Soak measured;
    const qint64 pid = program.processId();
    measured.start = usageOf(pid);
    const auto begin = Clock::now();
    const auto end = begin + std::chrono::minutes(minutes);
    while (Clock::now() < end && program.state() == QProcess::Running) {
        std::this_thread::sleep_for(std::min<Clock::duration>(LookEvery, end - Clock::now()));
        const int polls = countOf(transcript.takeNew(), StatusQuery);
        measured.polls += polls;
        if (polls == 0)
            ++measured.quietStretches;
    }
    measured.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    measured.endedByItself = program.state() != QProcess::Running;
    if (!measured.endedByItself)
        measured.end = usageOf(pid);
    stop(program);

    measured.faults = faultsNotedIn(transcriptPath);
    const QStringList dataFiles = QDir(lab.path()).entryList({QStringLiteral("TovraDataFile_*.txt")}, QDir::Files);
    if (!dataFiles.isEmpty())
        measured.data = checkDataFile(lab.filePath(dataFiles.first()), ColumnQueries,
                                      SimTranscript(transcriptPath).takeNew());
    return measured;
}

QString usageText(const Usage &usage)
{
    return QStringLiteral("%1 MiB resident, %2 open file descriptors, %3 s CPU")
        .arg(usage.residentMiB, 0, 'f', 1)
        .arg(usage.descriptors)
        .arg(usage.cpuSeconds, 0, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The running program against a laser with random faults."));
    parser.addHelpOption();
    const QCommandLineOption minutesOption(QStringLiteral("minutes"), QStringLiteral("Length of the soak (10)."),
                                           QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the random faults (1)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption keepOption(QStringLiteral("keep"),
                                        QStringLiteral("Keep the transcript and the data file for a look."));
    parser.addOptions({minutesOption, seedOption, keepOption});
    parser.process(app);
    const int minutes = std::max(1, parser.value(minutesOption).toInt());
    const uint32_t seed = parser.value(seedOption).toUInt();

    const Soak run = soak(minutes, seed, parser.isSet(keepOption));
    report(QStringLiteral("soak of tovra -data against the paced simulator with random faults (seed %1, standard "
                          "laser, heaters 1 and 2): %2 s, %3 faults, %4 status polls, %5 looks of %6 s without one")
               .arg(seed)
               .arg(run.seconds, 0, 'f', 0)
               .arg(run.faults)
               .arg(run.polls)
               .arg(run.quietStretches)
               .arg(std::chrono::seconds(LookEvery).count()));
    if (run.endedByItself) {
        report(QStringLiteral("soak: the program ENDED during the soak (start: %1)").arg(usageText(run.start)));
        return 1;
    }
    report(QStringLiteral("soak start: ") + usageText(run.start));
    report(QStringLiteral("soak end:   ") + usageText(run.end));
    report(QStringLiteral("soak CPU: %1 s in %2 s (%3 % of one core)")
               .arg(run.end.cpuSeconds - run.start.cpuSeconds, 0, 'f', 2)
               .arg(run.seconds, 0, 'f', 0)
               .arg(100.0 * (run.end.cpuSeconds - run.start.cpuSeconds) / run.seconds, 0, 'f', 2));
    report(QStringLiteral("soak resident memory growth: ")
           + percentAgainst(100.0 * (run.end.residentMiB - run.start.residentMiB) / run.start.residentMiB, 5));
    report(QStringLiteral("soak open file descriptors: %1 -> %2 (target unchanged, %3)")
               .arg(run.start.descriptors)
               .arg(run.end.descriptors)
               .arg(run.end.descriptors == run.start.descriptors ? QStringLiteral("met") : QStringLiteral("MISSED")));
    const DataFileCheck &data = run.data;
    report(QStringLiteral("soak data file: %1 rows; rows without their %2 columns: %3 (target 0, %4)")
               .arg(data.rows)
               .arg(data.columns)
               .arg(data.rowsWithoutTheirColumns)
               .arg(data.rows > 0 && data.rowsWithoutTheirColumns == 0 ? QStringLiteral("met")
                                                                       : QStringLiteral("MISSED")));
    report(QStringLiteral("soak data file: values the laser did not send: %1 (target 0, %2)%3")
               .arg(data.unsentValueCount())
               .arg(data.unsentValueCount() == 0 ? QStringLiteral("met") : QStringLiteral("MISSED"))
               .arg(data.unsentValueCount() == 0 ? QString() : QStringLiteral(": ") + data.unsentSummary()));
    report(QStringLiteral("soak data file: values under a wrong column: %1 (target 0, %2)%3; empty cells %4 of %5")
               .arg(data.wrongColumnCount())
               .arg(data.wrongColumnCount() == 0 ? QStringLiteral("met") : QStringLiteral("MISSED"))
               .arg(data.wrongColumnCount() == 0 ? QString() : QStringLiteral(": ") + data.wrongColumnSummary())
               .arg(data.emptyCells)
               .arg(data.rows * (data.columns - 1)));
    return 0;
}
