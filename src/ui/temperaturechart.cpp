#include "temperaturechart.h"

#include "desktop.h"
#include "replacefile.h"

#include <QBuffer>
#include <QChart>
#include <QFileInfo>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tovra {

namespace {

const QColor lime(0, 255, 0);
const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);

constexpr int solidWidth = 2;
constexpr int dashedWidth = 1;

// The ranges shown while no series that is on holds a point.
constexpr double emptyTimeMax = 10;
constexpr double emptyTemperatureMax = 50;

struct SeriesLook
{
    const char *title;
    QColor colour;     // of the series and its legend entry; invalid: the theme's next colour
    QColor lineColour; // invalid: the series' colour
    Qt::PenStyle style;
};

const std::array<SeriesLook, TemperatureChart::SeriesCount> looks = {{
    {"Temp0", lime, QColor(), Qt::SolidLine},
    {"Temp1", red, QColor(), Qt::SolidLine},
    {"Temp2", blue, QColor(), Qt::SolidLine},
    {"Temp0Setpoint", lime, QColor(68, 102, 163), Qt::DashLine},
    {"Temp1Setpoint", red, QColor(), Qt::DashLine},
    {"Temp2Setpoint", QColor(), QColor(), Qt::DashLine},
}};

// A step of 1, 2 or 5 times a power of ten that puts about five ticks across span.
double tickStep(double span)
{
    const double rough = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

// The axis spans the values exactly, with ticks at round numbers; a single value, or none,
// still gets an axis of some length around it.
void setAxisRange(QValueAxis *axis, double min, double max)
{
    if (min == max) {
        min -= 1;
        max += 1;
    }
    axis->setRange(min, max);
    axis->setTickInterval(tickStep(max - min));
}

} // namespace

void TemperatureChart::Extent::include(double x, double y)
{
    if (empty) {
        empty = false;
        minX = maxX = x;
        minY = maxY = y;
        return;
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
}

void TemperatureChart::Extent::unite(const Extent &other)
{
    if (other.empty)
        return;
    include(other.minX, other.minY);
    include(other.maxX, other.maxY);
}

// The chart is handed over at construction: a chart view made without one creates a default
// chart that a later setChart would release without deleting.
TemperatureChart::TemperatureChart(QWidget *parent)
    : QChartView(new QChart, parent)
{
    QChart *plot = chart();
    plot->setTitle(QStringLiteral("TChart"));
    plot->legend()->setAlignment(Qt::AlignBottom);
    setRenderHint(QPainter::Antialiasing);

    xAxis = new QValueAxis;
    xAxis->setTitleText(QStringLiteral("Time (Seconds)"));
    yAxis = new QValueAxis;
    yAxis->setTitleText(QStringLiteral("Temp (C)"));
    for (QValueAxis *axis : {xAxis, yAxis}) {
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
    }
    plot->addAxis(xAxis, Qt::AlignBottom);
    plot->addAxis(yAxis, Qt::AlignLeft);

    createSeries();
    fitAxes();
}

// The chart owns its series. Pens are set after a series joins the chart: joining applies the
// theme's pen.
void TemperatureChart::createSeries()
{
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const SeriesLook &look = looks[index];
        QLineSeries *line = new QLineSeries;
        line->setObjectName(QStringLiteral("Series%1").arg(index + 1));
        line->setName(QString::fromLatin1(look.title));
        chart()->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);

        const QColor colour = look.colour.isValid() ? look.colour : line->color();
        const QColor lineColour = look.lineColour.isValid() ? look.lineColour : colour;
        line->setPen(QPen(lineColour, look.style == Qt::SolidLine ? solidWidth : dashedWidth, look.style));
        for (QLegendMarker *marker : chart()->legend()->markers(line))
            marker->setBrush(colour);
        lines[index] = line;
    }
}

std::size_t TemperatureChart::indexOf(int number) const
{
    Q_ASSERT(number >= 1 && number <= SeriesCount);
    return std::size_t(number - 1);
}

QLineSeries *TemperatureChart::series(int number) const
{
    return lines.at(indexOf(number));
}

void TemperatureChart::addPoint(int number, double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    const std::size_t index = indexOf(number);
    QLineSeries *line = lines.at(index);
    const int count = line->count();
    if (count == 0 || line->at(count - 1).x() <= x) {
        line->append(x, y);
    } else {
        const QList<QPointF> points = line->points();
        const auto after = std::upper_bound(points.cbegin(), points.cend(), x,
                                            [](double value, const QPointF &point) { return value < point.x(); });
        line->insert(int(after - points.cbegin()), QPointF(x, y));
    }
    extents[index].include(x, y);
    if (line->isVisible())
        fitAxes();
}

void TemperatureChart::addPointNow(int series, double y)
{
    addPoint(series, clockSeconds(), y);
}

double TemperatureChart::clockSeconds() const
{
    return std::chrono::duration<double>(now() - clearedAt).count();
}

void TemperatureChart::setClock(Clock clock)
{
    now = std::move(clock);
    clearedAt = now();
}

void TemperatureChart::clearAll()
{
    clearedAt = now();
    for (int number = 1; number <= SeriesCount; ++number)
        clearSeries(number);
    fitAxes();
}

void TemperatureChart::clearSeries(int number)
{
    const std::size_t index = indexOf(number);
    lines.at(index)->clear();
    extents[index] = Extent();
}

void TemperatureChart::setSeriesActive(int number, bool active)
{
    lines.at(indexOf(number))->setVisible(active);
    fitAxes();
}

bool TemperatureChart::isSeriesActive(int number) const
{
    return lines.at(indexOf(number))->isVisible();
}

void TemperatureChart::showDiodeTemperatureOnly()
{
    clearSeries(1);
    lines[0]->setName(QStringLiteral("Diode"));
    for (std::size_t index = 0; index < lines.size(); ++index)
        lines[index]->setVisible(index == 0);
    fitAxes();
}

void TemperatureChart::fitAxes()
{
    Extent shown;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (lines[index]->isVisible())
            shown.unite(extents[index]);
    }
    if (shown.empty) {
        setAxisRange(xAxis, 0, emptyTimeMax);
        setAxisRange(yAxis, 0, emptyTemperatureMax);
        return;
    }
    setAxisRange(xAxis, shown.minX, shown.maxX);
    setAxisRange(yAxis, shown.minY, shown.maxY);
}

bool TemperatureChart::saveBitmap(const QString &path, QString *error)
{
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    buffer.open(QIODevice::WriteOnly);
    if (!grab().toImage().save(&buffer, "BMP")) {
        if (error)
            *error = QStringLiteral("Cannot write file \"%1\". The chart has no picture to save.").arg(path);
        return false;
    }
    return replaceFile(path, bitmap, error);
}

bool TemperatureChart::saveBitmapAs(Desktop &desktop)
{
    QString path = desktop.saveFileName(QStringLiteral("Save Chart"), QStringLiteral("Bitmaps (*.bmp)"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".bmp");
    QString error;
    if (saveBitmap(path, &error))
        return true;
    desktop.message(error);
    return false;
}

} // namespace tovra
