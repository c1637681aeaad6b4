// The history's costs, side by side in one run:
// - appending one status update on the GUI thread (the hand-over to the writer's thread), beside
//   what a synchronous insert of the same row on the GUI thread would cost;
// - rendering each range of the Trends window over 30 days of one update a second with 12 series
//   (2.6 M rows), reduced per pixel column, and the points the plots then hold;
// - exporting 24 h as CSV;
// - resident memory before and after the window opened on the live view.
//
//   bench_history [--days N] (30) [--picture FILE]
// --picture also saves the window over the last day as PNG (the README's screenshot).

#include "csvexport.h"
#include "figures.h"
#include "historyfill.h"
#include "historystore.h"
#include "historywriter.h"
#include "processusage.h"
#include "trendplot.h"
#include "trendsource.h"
#include "trendswindow.h"
#include "scripteddesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <unistd.h>

using namespace tovra;
using namespace tovra::bench;

namespace {

constexpr qint64 DayMs = 24LL * 3600 * 1000;
const LaserIdentity Laser{QStringLiteral("Tovra"), 4711, QStringLiteral("2.10")};
double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[qsizetype(std::min<double>(double(values.size() - 1), std::ceil(share * double(values.size())) - 1))];
}

void benchAppend(const QString &folder)
{
    constexpr int Updates = 5000;
    QList<double> handOver;
    QList<double> synchronous;
    {
        HistorySettings settings;
        settings.fileName = folder + QStringLiteral("/append.sqlite");
        HistoryWriter writer(settings);
        HistoryStore direct;
        direct.open(folder + QStringLiteral("/direct.sqlite"), HistoryStore::Mode::ReadWrite);
        const qint64 id = *direct.laserId(Laser);
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < Updates; ++i) {
            const HistorySample sample = filledSample(start + i * 1000LL, i);
            QElapsedTimer clock;
            clock.start();
            writer.append(Laser, sample);
            handOver << double(clock.nsecsElapsed()) / 1e6;
            clock.start();
            direct.append(id, {sample}, {});
            synchronous << double(clock.nsecsElapsed()) / 1e6;
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        writer.flush();
    }
    const double p99 = percentile(handOver, 0.99);
    report(QStringLiteral("append, GUI thread: p99 %1 (target <= 2 ms: %2); median %3")
               .arg(milliseconds(p99), p99 <= 2 ? QStringLiteral("met") : QStringLiteral("MISSED"),
                    milliseconds(median(handOver))));
    report(QStringLiteral("  beside a synchronous insert of the same row on the GUI thread: p99 %1, median %2 "
                          "(hand-over / synchronous p99 %3)")
               .arg(milliseconds(percentile(synchronous, 0.99)), milliseconds(median(synchronous)),
                    QString::number(p99 / std::max(1e-9, percentile(synchronous, 0.99)), 'f', 3)));
}

void savePicture(const QString &fileName, const QString &picture)
{
    test::ScriptedDesktop desktop;
    TrendsWindow window({fileName, [] { return Laser; }, QStringLiteral("bench"), desktop});
    window.show();
    window.findChild<QAbstractButton *>(QStringLiteral("range24h"))->click();
    QCoreApplication::processEvents();
    window.grab().save(picture, "PNG");
    report(QStringLiteral("picture of the last day saved to ") + picture);
}

void benchWindow(const QString &fileName, int days)
{
    const double rssBefore = residentMiB(::getpid()).value_or(0);
    test::ScriptedDesktop desktop;
    QElapsedTimer clock;
    clock.start();
    TrendsWindow window({fileName, [] { return Laser; }, QStringLiteral("bench"), desktop});
    window.show();
    QCoreApplication::processEvents();
    report(QStringLiteral("window opened on the live view in %1").arg(milliseconds(double(clock.nsecsElapsed()) / 1e6)));
    HistoryStore store;
    store.open(fileName, HistoryStore::Mode::ReadOnly);
    StoredTrend trend(store, store.lasers().first());
    for (const char *button : {"range10min", "range1h", "range8h", "range24h", "range7d", "range30d", "rangeAll"}) {
        auto *push = window.findChild<QAbstractButton *>(QString::fromLatin1(button));
        QList<double> times;
        qsizetype points = 0;
        for (int round = 0; round < 3; ++round) {
            clock.start();
            push->click();
            window.grab(); // the window painted once, as the screen would show it
            times << double(clock.nsecsElapsed()) / 1e6;
        }
        for (TrendPlot *plot : window.plots())
            points = std::max(points, plot->pointCount() / std::max<qsizetype>(1, plot->channels().size()));
        // The reduction alone, through a connection of its own, beside the whole render.
        const int columns = window.plots().first()->plotColumns();
        clock.start();
        trend.reduce(window.shownFromMs(), window.shownToMs(), (window.shownToMs() - window.shownFromMs()) / columns);
        const double queryMs = double(clock.nsecsElapsed()) / 1e6;
        const double worst = *std::max_element(times.begin(), times.end());
        report(QStringLiteral("render %1 of %2 d: %3 (target <= 300 ms: %4), of which the reduction %5; "
                              "at most %6 points a series for %7 columns")
                   .arg(QString::fromLatin1(button).mid(5), QString::number(days), milliseconds(worst),
                        worst <= 300 ? QStringLiteral("met") : QStringLiteral("MISSED"), milliseconds(queryMs),
                        QString::number(points), QString::number(columns)));
    }
    window.findChild<QAbstractButton *>(QStringLiteral("range10min"))->click();
    QCoreApplication::processEvents();
    const double rssAfter = residentMiB(::getpid()).value_or(0);
    report(QStringLiteral("resident memory: %1 MiB before the window, %2 MiB with it open after every range (growth %3 MiB, "
                          "target <= 30 MB: %4)")
               .arg(QString::number(rssBefore, 'f', 1), QString::number(rssAfter, 'f', 1),
                    QString::number(rssAfter - rssBefore, 'f', 1),
                    (rssAfter - rssBefore) * 1.048576 <= 30 ? QStringLiteral("met") : QStringLiteral("MISSED")));
}

void benchExport(const QString &fileName, const QString &folder, qint64 endMs)
{
    HistoryStore store;
    store.open(fileName, HistoryStore::Mode::ReadOnly);
    StoredTrend trend(store, store.lasers().first());
    QElapsedTimer clock;
    clock.start();
    const QString failure = exportCsv(
        trend, {folder + QStringLiteral("/day.csv"), endMs - DayMs, endMs,
                filledChannels(), QStringLiteral("bench")});
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    report(QStringLiteral("export 24 h (86 400 rows, 12 series) as CSV: %1 (target <= 2000 ms: %2)%3")
               .arg(milliseconds(ms), ms <= 2000 ? QStringLiteral("met") : QStringLiteral("MISSED"),
                    failure.isEmpty() ? QString() : QStringLiteral(" FAILED: ") + failure));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("days"), QStringLiteral("Days of history at 1 Hz."), QStringLiteral("N"),
                      QStringLiteral("30")});
    parser.addOption({QStringLiteral("picture"), QStringLiteral("Save the window over the last day as PNG."),
                      QStringLiteral("FILE")});
    parser.process(app);
    const int days = std::max(1, parser.value(QStringLiteral("days")).toInt());

    QTemporaryDir folder;
    benchAppend(folder.path());

    const QString fileName = folder.filePath(QStringLiteral("history.sqlite"));
    const qint64 endMs = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    const qint64 rows = fillHistory(fileName, Laser, days, endMs);
    report(QStringLiteral("filled %1 rows of 12 series in %2 s (not a figure: the set-up)")
               .arg(rows)
               .arg(double(clock.elapsed()) / 1000, 0, 'f', 1));
    if (parser.isSet(QStringLiteral("picture")))
        savePicture(fileName, parser.value(QStringLiteral("picture")));
    benchWindow(fileName, days);
    benchExport(fileName, folder.path(), endMs);
    return 0;
}
