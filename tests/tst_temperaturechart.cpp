#include "scripteddesktop.h"
#include "temperaturechart.h"

#include <QChart>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <chrono>
#include <limits>
#include <memory>

using tovra::TemperatureChart;
using tovra::test::ScriptedDesktop;

namespace {

QList<double> xValues(const QLineSeries *series)
{
    QList<double> values;
    for (const QPointF &point : series->points())
        values.append(point.x());
    return values;
}

bool covers(const QValueAxis *axis, double min, double max)
{
    return axis->min() <= min && axis->max() >= max;
}

QLegendMarker *legendEntry(TemperatureChart &chart, int series)
{
    return chart.chart()->legend()->markers(chart.series(series)).value(0);
}

} // namespace

// The service window's chart on its own: what the status poll adds to it, what "Clear Chart",
// "Diode Temp" and "Save Chart" do to it, and what the operator sees of it.
class TemperatureChartTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chartHasItsTitleAxisTitlesAndLegendBelow();
    void seriesStartWithTheirTitlesColoursAndLines_data();
    void seriesStartWithTheirTitlesColoursAndLines();
    void seriesDrawNeitherMarkersNorLabels();
    void pointsAreKeptInAscendingXOrder_data();
    void pointsAreKeptInAscendingXOrder();
    void pointWithNonFiniteCoordinateIsDropped();
    void heaterPointsOfOneUpdateShareTheirX();
    void clearSetsTheClockBackAndPointsStandAtItsSeconds();
    void clockCountsRealSeconds();
    void clearEmptiesEverySeriesButKeepsTitlesAndStates();
    void seriesSwitchedOffKeepsTakingPointsWithoutLegendEntry();
    void axesFollowThePointsOfSeriesThatAreOn();
    void axesReturnToTheEmptyRangeAfterClear();
    void singleValueStillGetsAnAxisAroundIt();
    void diodeViewEmptiesAndRenamesFirstSeriesAndSwitchesOthersOff();
    void saveWithDialogCancelledWritesNothing();
    void saveWritesTheChartAsDrawnAsBitmap();
    void saveAddsBmpToNameWithoutSuffixAndReplacesExistingFile();
    void saveToUnwritablePlaceShowsMessageAndWritesNothing();

private:
    TemperatureChart *chart = nullptr;
    std::unique_ptr<QTemporaryDir> folder;
};

void TemperatureChartTest::init()
{
    folder = std::make_unique<QTemporaryDir>();
    chart = new TemperatureChart;
    chart->resize(708, 386);
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series)
        chart->setSeriesActive(series, true);
}

void TemperatureChartTest::cleanup()
{
    delete chart;
    chart = nullptr;
    folder.reset();
}

void TemperatureChartTest::chartHasItsTitleAxisTitlesAndLegendBelow()
{
    QCOMPARE(chart->chart()->title(), QStringLiteral("TChart"));
    QCOMPARE(chart->timeAxis()->titleText(), QStringLiteral("Time (Seconds)"));
    QCOMPARE(chart->temperatureAxis()->titleText(), QStringLiteral("Temp (C)"));
    QCOMPARE(chart->chart()->legend()->alignment(), Qt::AlignBottom);
    QCOMPARE(chart->chart()->series().size(), TemperatureChart::SeriesCount);
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series) {
        QCOMPARE(chart->series(series), chart->chart()->series().at(series - 1));
        QCOMPARE(chart->series(series)->objectName(), QStringLiteral("Series%1").arg(series));
    }
}

void TemperatureChartTest::seriesStartWithTheirTitlesColoursAndLines_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QColor>("legendColour");
    QTest::addColumn<QColor>("lineColour");
    QTest::addColumn<Qt::PenStyle>("style");
    QTest::addColumn<int>("width");

    const QColor lime(0, 255, 0);
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    QTest::newRow("Series1") << 1 << "Temp0" << lime << lime << Qt::SolidLine << 2;
    QTest::newRow("Series2") << 2 << "Temp1" << red << red << Qt::SolidLine << 2;
    QTest::newRow("Series3") << 3 << "Temp2" << blue << blue << Qt::SolidLine << 2;
    QTest::newRow("Series4") << 4 << "Temp0Setpoint" << lime << QColor(68, 102, 163) << Qt::DashLine << 1;
    QTest::newRow("Series5") << 5 << "Temp1Setpoint" << red << red << Qt::DashLine << 1;
    // Series6 takes the theme's next colour, whatever it is: only its line is checked.
    QTest::newRow("Series6") << 6 << "Temp2Setpoint" << QColor() << QColor() << Qt::DashLine << 1;
}

void TemperatureChartTest::seriesStartWithTheirTitlesColoursAndLines()
{
    QFETCH(int, series);
    QFETCH(QColor, legendColour);
    QFETCH(QColor, lineColour);
    QFETCH(Qt::PenStyle, style);
    QFETCH(int, width);

    const QLineSeries *line = chart->series(series);
    QTEST(line->name(), "title");
    QCOMPARE(line->pen().style(), style);
    QCOMPARE(line->pen().width(), width);
    if (lineColour.isValid())
        QCOMPARE(line->pen().color(), lineColour);
    if (legendColour.isValid())
        QCOMPARE(legendEntry(*chart, series)->brush().color(), legendColour);
    QCOMPARE(legendEntry(*chart, series)->label(), line->name());
}

void TemperatureChartTest::seriesDrawNeitherMarkersNorLabels()
{
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series) {
        QVERIFY(!chart->series(series)->pointsVisible());
        QVERIFY(!chart->series(series)->pointLabelsVisible());
    }
}

void TemperatureChartTest::pointsAreKeptInAscendingXOrder_data()
{
    QTest::addColumn<QList<double>>("added");
    QTest::addColumn<QList<double>>("kept");

    QTest::newRow("rising clock") << QList<double>{0, 2, 4, 6} << QList<double>{0, 2, 4, 6};
    QTest::newRow("clock that stands still") << QList<double>{0, 0, 0} << QList<double>{0, 0, 0};
    QTest::newRow("clock reset without clearing") << QList<double>{10, 12, 0, 2} << QList<double>{0, 2, 10, 12};
    QTest::newRow("earlier point between others") << QList<double>{0, 4, 8, 6, 5} << QList<double>{0, 4, 5, 6, 8};
}

void TemperatureChartTest::pointsAreKeptInAscendingXOrder()
{
    QFETCH(QList<double>, added);
    // The y value remembers the order of adding, so equal x values show where each went.
    for (qsizetype i = 0; i < added.size(); ++i)
        chart->addPoint(2, added[i], 20.0 + double(i));
    QTEST(xValues(chart->series(2)), "kept");
    const QList<QPointF> points = chart->series(2)->points();
    for (qsizetype i = 1; i < points.size(); ++i) {
        if (points[i].x() == points[i - 1].x())
            QVERIFY2(points[i].y() > points[i - 1].y(), "a point goes after those with the same x");
    }
}

void TemperatureChartTest::pointWithNonFiniteCoordinateIsDropped()
{
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    chart->addPoint(1, 0, 25.0);
    chart->addPoint(1, 2, notANumber);
    chart->addPoint(1, infinity, 25.0);
    QCOMPARE(chart->series(1)->count(), 1);
    QVERIFY(std::isfinite(chart->temperatureAxis()->max()));
}

void TemperatureChartTest::heaterPointsOfOneUpdateShareTheirX()
{
    const double x = 6;
    chart->addPoint(1, x, 30.5);
    chart->addPoint(4, x, 30.0);
    chart->addPoint(2, x, 41.2);
    chart->addPoint(5, x, 40.0);
    for (int series : {1, 4, 2, 5})
        QCOMPARE(xValues(chart->series(series)), QList<double>{x});
    QCOMPARE(chart->series(5)->at(0).y(), 40.0);
}

// A clear empties the series and starts the clock again from 0.
void TemperatureChartTest::clearSetsTheClockBackAndPointsStandAtItsSeconds()
{
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    chart->setClock([&now] { return now; });
    for (int second = 0; second <= 20; second += 2) {
        now = std::chrono::steady_clock::time_point() + std::chrono::hours(1) + std::chrono::seconds(second);
        chart->addPointNow(1, 25.0);
        chart->addPointNow(3, 35.0);
    }
    now += std::chrono::seconds(30);
    chart->clearAll();

    chart->addPointNow(1, 24.8);
    now += std::chrono::milliseconds(2500);
    chart->addPointNow(3, 35.1);
    chart->addPointNow(6, 36.0);

    QCOMPARE(chart->series(1)->points(), QList<QPointF>{QPointF(0, 24.8)});
    QCOMPARE(chart->series(3)->points(), QList<QPointF>{QPointF(2.5, 35.1)});
    QCOMPARE(chart->series(6)->points(), QList<QPointF>{QPointF(2.5, 36.0)});
    QVERIFY(covers(chart->timeAxis(), 0, 2.5));
    QVERIFY(chart->timeAxis()->max() < 20);
}

// The chart's own clock, as the program runs it: seconds that really passed.
void TemperatureChartTest::clockCountsRealSeconds()
{
    chart->clearAll();
    QElapsedTimer waited;
    waited.start();
    chart->addPointNow(1, 25.0);
    QTRY_VERIFY_WITH_TIMEOUT(waited.elapsed() >= 1200, 5000);
    chart->addPointNow(1, 26.0);

    const QList<double> xs = xValues(chart->series(1));
    QCOMPARE(xs.size(), 2);
    QVERIFY2(xs[0] >= 0 && xs[0] < 1.0, qPrintable(QString::number(xs[0])));
    QVERIFY2(xs[1] >= 1.2 && xs[1] <= double(waited.elapsed()) / 1000, qPrintable(QString::number(xs[1])));
}

void TemperatureChartTest::clearEmptiesEverySeriesButKeepsTitlesAndStates()
{
    chart->setSeriesActive(3, false);
    chart->showDiodeTemperatureOnly();
    chart->setSeriesActive(5, true);
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series)
        chart->addPoint(series, 4, 30);

    chart->clearAll();

    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series) {
        QCOMPARE(chart->series(series)->count(), 0);
        QCOMPARE(chart->isSeriesActive(series), series == 1 || series == 5);
    }
    QCOMPARE(chart->series(1)->name(), QStringLiteral("Diode"));
    QCOMPARE(chart->series(5)->name(), QStringLiteral("Temp1Setpoint"));
}

// The legend lays out its entries after the event loop runs.
void TemperatureChartTest::seriesSwitchedOffKeepsTakingPointsWithoutLegendEntry()
{
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    chart->addPoint(2, 0, 40);
    chart->setSeriesActive(2, false);
    chart->addPoint(2, 2, 41);

    QVERIFY(!chart->isSeriesActive(2));
    QVERIFY(!chart->series(2)->isVisible());
    QTRY_VERIFY(!legendEntry(*chart, 2)->isVisible());
    QVERIFY(legendEntry(*chart, 3)->isVisible());
    QCOMPARE(xValues(chart->series(2)), (QList<double>{0, 2}));

    chart->setSeriesActive(2, true);
    QTRY_VERIFY(legendEntry(*chart, 2)->isVisible());
}

void TemperatureChartTest::axesFollowThePointsOfSeriesThatAreOn()
{
    chart->addPoint(1, 0, 22.5);
    chart->addPoint(1, 2, 23.0);
    chart->addPoint(4, 2, 25.0);
    chart->addPoint(2, 40, 61.0);
    QVERIFY(covers(chart->timeAxis(), 0, 40));
    QVERIFY(covers(chart->temperatureAxis(), 22.5, 61.0));

    chart->setSeriesActive(2, false);
    QVERIFY(covers(chart->timeAxis(), 0, 2));
    QVERIFY(covers(chart->temperatureAxis(), 22.5, 25.0));
    QVERIFY2(chart->timeAxis()->max() < 40, "a series that is off leaves the axes");
    QVERIFY(chart->temperatureAxis()->max() < 61.0);

    chart->addPoint(2, 80, 90.0);
    QVERIFY(chart->timeAxis()->max() < 40);
}

void TemperatureChartTest::axesReturnToTheEmptyRangeAfterClear()
{
    const double emptyTimeMax = chart->timeAxis()->max();
    const double emptyTemperatureMax = chart->temperatureAxis()->max();
    chart->addPoint(1, 500, 80.0);
    chart->addPoint(1, 502, 81.0);
    QVERIFY(covers(chart->timeAxis(), 500, 502));

    chart->clearAll();
    QCOMPARE(chart->timeAxis()->min(), 0.0);
    QCOMPARE(chart->timeAxis()->max(), emptyTimeMax);
    QCOMPARE(chart->temperatureAxis()->max(), emptyTemperatureMax);
}

void TemperatureChartTest::singleValueStillGetsAnAxisAroundIt()
{
    chart->addPoint(3, 8, 45.0);
    QVERIFY(chart->timeAxis()->min() < 8 && chart->timeAxis()->max() > 8);
    QVERIFY(chart->temperatureAxis()->min() < 45 && chart->temperatureAxis()->max() > 45);
}

void TemperatureChartTest::diodeViewEmptiesAndRenamesFirstSeriesAndSwitchesOthersOff()
{
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series)
        chart->addPoint(series, 0, 30);
    chart->setSeriesActive(1, false);

    chart->showDiodeTemperatureOnly();

    QCOMPARE(chart->series(1)->count(), 0);
    QCOMPARE(chart->series(1)->name(), QStringLiteral("Diode"));
    QCOMPARE(legendEntry(*chart, 1)->label(), QStringLiteral("Diode"));
    for (int series = 1; series <= TemperatureChart::SeriesCount; ++series)
        QCOMPARE(chart->isSeriesActive(series), series == 1);
    QCOMPARE(chart->series(2)->count(), 1);

    chart->addPoint(1, 0, 28.0);
    QVERIFY(covers(chart->temperatureAxis(), 28.0, 28.0));
    QVERIFY(chart->temperatureAxis()->max() < 30.0);
}

void TemperatureChartTest::saveWithDialogCancelledWritesNothing()
{
    ScriptedDesktop desktop;
    QVERIFY(!chart->saveBitmapAs(desktop));
    QCOMPARE(desktop.textsOf(QStringLiteral("save")).size(), 1);
    QVERIFY(desktop.textsOf(QStringLiteral("message")).isEmpty());
    QVERIFY(QDir(folder->path()).isEmpty());
}

void TemperatureChartTest::saveWritesTheChartAsDrawnAsBitmap()
{
    chart->addPoint(1, 0, 25);
    chart->addPoint(1, 2, 27);
    const QString path = folder->filePath(QStringLiteral("chart.bmp"));
    ScriptedDesktop desktop;
    desktop.saveAnswers = {path};

    QVERIFY(chart->saveBitmapAs(desktop));

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), chart->size());
    const QImage drawn = chart->grab().toImage();
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), drawn.convertToFormat(QImage::Format_RGB32));
    QVERIFY(desktop.textsOf(QStringLiteral("message")).isEmpty());
}

void TemperatureChartTest::saveAddsBmpToNameWithoutSuffixAndReplacesExistingFile()
{
    const QString path = folder->filePath(QStringLiteral("chart.bmp"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file");
    old.close();
    ScriptedDesktop desktop;
    desktop.saveAnswers = {folder->filePath(QStringLiteral("chart"))};

    QVERIFY(chart->saveBitmapAs(desktop));

    QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{QStringLiteral("chart.bmp")});
    QCOMPARE(QImage(path).size(), chart->size());
}

void TemperatureChartTest::saveToUnwritablePlaceShowsMessageAndWritesNothing()
{
    const QString path = folder->filePath(QStringLiteral("no such folder/chart.bmp"));
    ScriptedDesktop desktop;
    desktop.saveAnswers = {path};

    QVERIFY(!chart->saveBitmapAs(desktop));

    const QStringList messages = desktop.textsOf(QStringLiteral("message"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QVERIFY(QDir(folder->path()).isEmpty());
}

QTEST_MAIN(TemperatureChartTest)
#include "tst_temperaturechart.moc"
