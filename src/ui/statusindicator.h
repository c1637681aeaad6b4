#pragma once

#include <QColor>
#include <QWidget>

namespace tovra {

// A round lamp: a red ring filled with a colour that shows one state bit.
class StatusIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor fillColour READ fillColour WRITE setFillColour)

public:
    explicit StatusIndicator(QWidget *parent = nullptr);

    QColor fillColour() const { return fill; }
    void setFillColour(const QColor &colour);
    // A stale lamp shows grey: its state is the last one read, not a live one.
    bool isStale() const { return stale; }
    void setStale(bool isStale);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor fill = Qt::white;
    bool stale = false;
};

} // namespace tovra
