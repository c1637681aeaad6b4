#pragma once

#include "historytypes.h"

#include <QChartView>
#include <QList>

#include <map>

class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace tovra {

// One plot of the Trends window: every series of one unit over the shared time axis, a legend in
// which a click switches a series on or off, and the events as markers whose text shows as a
// tooltip. Each series holds two points per bucket (its smallest and largest value), so it never
// holds more than about two points per pixel column. The mouse pans (drag) and zooms (wheel)
// and the keyboard does both (arrows, +/-); the window decides what range that means.
class TrendPlot : public QChartView
{
    Q_OBJECT
public:
    TrendPlot(Unit unit, QWidget *parent = nullptr);

    Unit unit() const { return plotUnit; }
    QList<Channel> channels() const;
    // Shows the buckets of the range; a series without any value in it is left out of the legend.
    void show(const QList<ReducedBucket> &buckets, const QList<HistoryEvent> &events, qint64 fromMs, qint64 toMs);
    bool isShown(Channel channel) const;
    void setShown(Channel channel, bool shown);
    bool holdsValues() const;
    bool holdsValues(Channel channel) const;
    // The pixel columns the plot area offers: the number of buckets worth asking for.
    int plotColumns() const;
    // "Bank voltage 345.7 V" for each shown series at the time under the pointer (its bucket's
    // range when the bucket spans more than one value).
    QString readOutAt(qint64 ms) const;
    qint64 timeAt(const QPoint &position) const;
    // Points held by the series (for the benchmark and the tests).
    qsizetype pointCount() const;

signals:
    void panBy(double fractionOfRange);
    void zoomBy(double factor, qint64 anchorMs);
    void pointerAt(qint64 ms);
    void shownChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showEventMarkers(const QList<HistoryEvent> &events, double top);

    const Unit plotUnit;
    QDateTimeAxis *timeAxis;
    QValueAxis *valueAxis;
    std::map<Channel, QLineSeries *> series;
    QScatterSeries *eventMarks;
    QList<HistoryEvent> shownEvents;
    QList<ReducedBucket> shownBuckets;
    std::optional<int> dragStartX;
};

} // namespace tovra
