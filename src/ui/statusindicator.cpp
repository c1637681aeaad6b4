#include "statusindicator.h"

#include <QPainter>

namespace tovra {

namespace {

const QColor outlineColour(255, 0, 0);

} // namespace

StatusIndicator::StatusIndicator(QWidget *parent)
    : QWidget(parent)
{
}

void StatusIndicator::setFillColour(const QColor &colour)
{
    if (colour == fill)
        return;
    fill = colour;
    update();
}

QSize StatusIndicator::sizeHint() const
{
    return QSize(15, 15);
}

void StatusIndicator::setStale(bool isStale)
{
    if (stale == isStale)
        return;
    stale = isStale;
    update();
}

void StatusIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outlineColour, 1.5));
    painter.setBrush(stale ? QColor(Qt::lightGray) : fill);
    const int side = qMin(width(), height());
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
}

} // namespace tovra
