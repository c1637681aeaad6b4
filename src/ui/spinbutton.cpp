#include "spinbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace tovra {

SpinButton::SpinButton(Direction direction, QWidget *parent)
    : QWidget(parent)
    , fDirection(direction)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpinButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // The triangle scales with the button width, which follows the digit width of the font.
    const int halfBase = std::max(2, width() / 4);
    const int triangleHeight = halfBase;
    const int centreX = width() / 2;
    const int top = (height() - triangleHeight) / 2;
    const int bottom = top + triangleHeight;
    QPolygon triangle;
    if (fDirection == Direction::Up)
        triangle << QPoint(centreX - halfBase, bottom) << QPoint(centreX + halfBase, bottom)
                 << QPoint(centreX, top);
    else
        triangle << QPoint(centreX - halfBase, top) << QPoint(centreX + halfBase, top)
                 << QPoint(centreX, bottom);
    const QColor colour = isEnabled() ? QColor(Qt::black) : spinEditDisabledColor();
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.drawPolygon(triangle);
}

void SpinButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    fHeld = true;
    fUnderPointer = true;
    emit pressed();
}

void SpinButton::mouseMoveEvent(QMouseEvent *event)
{
    fUnderPointer = rect().contains(event->position().toPoint());
}

void SpinButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !fHeld) {
        event->ignore();
        return;
    }
    fHeld = false;
    fUnderPointer = false;
    emit released();
}

void SpinButton::changeEvent(QEvent *event)
{
    // A disabled widget receives no release, so a press held across disabling is dropped here.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        fHeld = false;
        fUnderPointer = false;
    }
    QWidget::changeEvent(event);
}

} // namespace tovra
