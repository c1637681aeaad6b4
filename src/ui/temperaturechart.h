#pragma once

#include <QChartView>

#include <array>
#include <chrono>
#include <functional>

class QLineSeries;
class QValueAxis;

namespace tovra {

class Desktop;

// The service window's temperature chart: heater temperatures and their set points, or the
// diode temperature, against the chart's clock: real seconds since the chart was last cleared
// (or made), on the monotonic clock, so that neither the poll's pace nor a change of the wall
// clock bends the time axis. Six line series, numbered 1 to 6 like
// Series1 to Series6: the temperatures of heaters 0, 1 and 2 (the first one doubling as the diode
// temperature), then their set points, dashed.
//
// Both axes follow the data of the series that are on. Every series keeps track of its own
// bounds as points arrive, so adding a point never rescans the data.
class TemperatureChart : public QChartView
{
    Q_OBJECT
public:
    static constexpr int SeriesCount = 6;
    // Where the chart's clock reads the time; tests drive their own.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit TemperatureChart(QWidget *parent = nullptr);

    // Series1 to Series6 by number, 1 to SeriesCount.
    QLineSeries *series(int number) const;
    QValueAxis *timeAxis() const { return xAxis; }
    QValueAxis *temperatureAxis() const { return yAxis; }

    // Keeps the series in ascending x order: a point goes after every point with an x up to its
    // own, which for the clock's rising x is the end. A point with a coordinate that is not a
    // finite number is dropped.
    void addPoint(int series, double x, double y);
    // A point at the clock's present reading.
    void addPointNow(int series, double y);
    // Seconds since the chart was last cleared.
    double clockSeconds() const;
    // Replaces the clock and starts counting from its present reading.
    void setClock(Clock clock);
    // Empties Series1 to Series6, in that order, and sets the clock back to 0; titles and on/off
    // states stay.
    void clearAll();
    // A series that is off keeps its points and takes new ones, but neither draws them nor has
    // a legend entry, and the axes leave its points out.
    void setSeriesActive(int series, bool active);
    bool isSeriesActive(int series) const;
    // The "Diode Temp" view: Series1 is emptied, titled "Diode" and left as the only series on.
    void showDiodeTemperatureOnly();

    // Writes the chart as drawn, at its size on screen, to path as a BMP image, replacing an
    // existing file. On failure nothing is written and error, if given, says why.
    bool saveBitmap(const QString &path, QString *error = nullptr);
    // "Save Chart": asks the operator for a bitmap file name (".bmp" is added to a name without
    // a suffix) and saves there; a failure is shown as a message. Returns whether a file was
    // written; a cancelled dialog writes nothing.
    bool saveBitmapAs(Desktop &desktop);

private:
    // The bounding box of one series' points.
    struct Extent
    {
        bool empty = true;
        double minX = 0;
        double maxX = 0;
        double minY = 0;
        double maxY = 0;

        void include(double x, double y);
        void unite(const Extent &other);
    };

    void createSeries();
    void clearSeries(int number);
    void fitAxes();
    std::size_t indexOf(int number) const;

    Clock now = [] { return std::chrono::steady_clock::now(); };
    std::chrono::steady_clock::time_point clearedAt = now();
    std::array<QLineSeries *, SeriesCount> lines {};
    std::array<Extent, SeriesCount> extents {};
    QValueAxis *xAxis = nullptr;
    QValueAxis *yAxis = nullptr;
};

} // namespace tovra
