#include "trendplot.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QKeyEvent>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tovra {

namespace {

QString valueText(double value)
{
    return QString::number(value, 'f', std::fabs(value) >= 100 ? 1 : 2);
}

} // namespace

// The chart goes to the constructor: QChartView(parent) would make a default chart that a later
// setChart() only lets go of, without deleting it.
TrendPlot::TrendPlot(Unit unit, QWidget *parent)
    : QChartView(new QChart, parent)
    , plotUnit(unit)
    , timeAxis(new QDateTimeAxis)
    , valueAxis(new QValueAxis)
    , eventMarks(new QScatterSeries)
{
    QChart *plot = chart();
    plot->setMargins(QMargins(4, 2, 4, 2));
    plot->legend()->setAlignment(Qt::AlignRight);
    plot->addAxis(timeAxis, Qt::AlignBottom);
    plot->addAxis(valueAxis, Qt::AlignLeft);
    valueAxis->setTitleText(unitSymbol(unit));
    timeAxis->setFormat(QStringLiteral("dd.MM. HH:mm"));
    for (Channel channel : allChannels()) {
        if (channelInfo(channel).unit != unit)
            continue;
        auto *line = new QLineSeries;
        line->setName(QString::fromLatin1(channelInfo(channel).caption));
        plot->addSeries(line);
        line->attachAxis(timeAxis);
        line->attachAxis(valueAxis);
        series[channel] = line;
    }
    eventMarks->setName(QStringLiteral("Events"));
    eventMarks->setMarkerSize(9);
    eventMarks->setColor(QColor(200, 0, 0));
    plot->addSeries(eventMarks);
    eventMarks->attachAxis(timeAxis);
    eventMarks->attachAxis(valueAxis);
    connect(eventMarks, &QScatterSeries::hovered, this, [this](const QPointF &point, bool over) {
        if (!over)
            return QToolTip::hideText();
        QStringList texts;
        for (const HistoryEvent &event : shownEvents) {
            if (std::abs(double(event.utcMs) - point.x()) < 0.5)
                texts << QDateTime::fromMSecsSinceEpoch(event.utcMs).toString(QStringLiteral("HH:mm:ss ")) + event.text;
        }
        QToolTip::showText(QCursor::pos(), texts.join(QLatin1Char('\n')), this);
    });
    for (QLegendMarker *marker : plot->legend()->markers()) {
        connect(marker, &QLegendMarker::clicked, this, [this, marker] {
            marker->series()->setVisible(!marker->series()->isVisible());
            marker->setVisible(true);
            // A series switched off stays in the legend, greyed, so it can be switched on again.
            marker->setLabelBrush(marker->series()->isVisible() ? palette().text() : QBrush(Qt::gray));
            emit shownChanged();
        });
    }
    setRenderHint(QPainter::Antialiasing, false);
    setRubberBand(QChartView::NoRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumHeight(140);
}

QList<Channel> TrendPlot::channels() const
{
    QList<Channel> held;
    for (const auto &[channel, line] : series)
        held << channel;
    return held;
}

void TrendPlot::show(const QList<ReducedBucket> &buckets, const QList<HistoryEvent> &events, qint64 fromMs, qint64 toMs)
{
    shownBuckets = buckets;
    double low = INFINITY;
    double high = -INFINITY;
    for (const auto &[channel, line] : series) {
        const std::size_t i = std::size_t(channel);
        QList<QPointF> points;
        points.reserve(buckets.size() * 2);
        for (const ReducedBucket &bucket : buckets) {
            if (HistorySample::isAbsent(bucket.minimum[i]))
                continue; // a gap in the values is no zero
            points.append({double(bucket.startMs), bucket.minimum[i]});
            if (bucket.maximum[i] != bucket.minimum[i])
                points.append({double(bucket.startMs), bucket.maximum[i]});
            if (line->isVisible()) {
                low = std::min(low, bucket.minimum[i]);
                high = std::max(high, bucket.maximum[i]);
            }
        }
        line->replace(points);
        for (QLegendMarker *marker : chart()->legend()->markers(line))
            marker->setVisible(!points.isEmpty());
    }
    if (!std::isfinite(low)) {
        low = 0;
        high = 1;
    }
    const double margin = std::max((high - low) * 0.08, 0.05);
    valueAxis->setRange(low - margin, high + margin);
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(fromMs), QDateTime::fromMSecsSinceEpoch(toMs));
    const qint64 spanMs = toMs - fromMs;
    timeAxis->setFormat(spanMs <= 2 * 3600'000 ? QStringLiteral("HH:mm:ss")
                        : spanMs <= 2 * 86400'000 ? QStringLiteral("HH:mm")
                                                  : QStringLiteral("dd.MM. HH:mm"));
    showEventMarkers(events, high + margin * 0.5);
}

void TrendPlot::showEventMarkers(const QList<HistoryEvent> &events, double top)
{
    shownEvents = events;
    QList<QPointF> marks;
    for (const HistoryEvent &event : events)
        marks.append({double(event.utcMs), top});
    eventMarks->replace(marks);
}

bool TrendPlot::isShown(Channel channel) const
{
    const auto found = series.find(channel);
    return found != series.end() && found->second->isVisible();
}

void TrendPlot::setShown(Channel channel, bool shown)
{
    const auto found = series.find(channel);
    if (found == series.end() || found->second->isVisible() == shown)
        return;
    for (QLegendMarker *marker : chart()->legend()->markers(found->second))
        emit marker->clicked();
}

bool TrendPlot::holdsValues() const
{
    return std::any_of(series.begin(), series.end(), [](const auto &entry) { return entry.second->count() > 0; });
}

bool TrendPlot::holdsValues(Channel channel) const
{
    const auto found = series.find(channel);
    return found != series.end() && found->second->count() > 0;
}

int TrendPlot::plotColumns() const
{
    return std::max(100, int(chart()->plotArea().width()));
}

qint64 TrendPlot::timeAt(const QPoint &position) const
{
    return qint64(chart()->mapToValue(mapToScene(position)).x());
}

qsizetype TrendPlot::pointCount() const
{
    qsizetype count = 0;
    for (const auto &[channel, line] : series)
        count += line->count();
    return count;
}

QString TrendPlot::readOutAt(qint64 ms) const
{
    const auto after = std::upper_bound(shownBuckets.cbegin(), shownBuckets.cend(), ms,
                                        [](qint64 t, const ReducedBucket &bucket) { return t < bucket.startMs; });
    if (after == shownBuckets.cbegin())
        return QString();
    const ReducedBucket &bucket = *(after - 1);
    QStringList parts;
    for (const auto &[channel, line] : series) {
        const std::size_t i = std::size_t(channel);
        if (!line->isVisible() || HistorySample::isAbsent(bucket.minimum[i]))
            continue;
        QString value = valueText(bucket.minimum[i]);
        if (bucket.maximum[i] != bucket.minimum[i])
            value += QStringLiteral(" to ") + valueText(bucket.maximum[i]);
        parts << QString::fromLatin1(channelInfo(channel).caption) + QLatin1Char(' ') + value + QLatin1Char(' ')
                + unitSymbol(plotUnit);
    }
    return parts.join(QStringLiteral(", "));
}

void TrendPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && chart()->plotArea().contains(event->position()))
        dragStartX = event->position().toPoint().x();
    QChartView::mousePressEvent(event);
}

void TrendPlot::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (dragStartX && (event->buttons() & Qt::LeftButton)) {
        const double width = chart()->plotArea().width();
        if (width > 0 && at.x() != *dragStartX)
            emit panBy(double(*dragStartX - at.x()) / width);
        dragStartX = at.x();
    } else if (chart()->plotArea().contains(event->position())) {
        emit pointerAt(timeAt(at));
    }
    QChartView::mouseMoveEvent(event);
}

void TrendPlot::mouseReleaseEvent(QMouseEvent *event)
{
    dragStartX.reset();
    QChartView::mouseReleaseEvent(event);
}

void TrendPlot::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        emit zoomBy(std::pow(0.8, steps), timeAt(event->position().toPoint()));
    event->accept();
}

void TrendPlot::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        emit panBy(-0.1);
        break;
    case Qt::Key_Right:
        emit panBy(0.1);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        emit zoomBy(0.8, -1);
        break;
    case Qt::Key_Minus:
        emit zoomBy(1.25, -1);
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace tovra
