#include "labeledreadout.h"

#include <QLabel>

namespace tovra {

LabeledReadOut::LabeledReadOut(const QString &caption, QWidget *parent)
    : QLineEdit(parent)
    , label(new QLabel(caption, parent))
{
    setReadOnly(true);
    setFrame(false);
    setBackgroundRole(QPalette::Window);
    QPalette colours = palette();
    colours.setBrush(QPalette::Base, colours.brush(QPalette::Window));
    setPalette(colours);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(this);
}

QString LabeledReadOut::caption() const
{
    return label->text();
}

void LabeledReadOut::setCaption(const QString &caption)
{
    label->setText(caption);
}

void LabeledReadOut::setVisible(bool visible)
{
    QLineEdit::setVisible(visible);
    label->setVisible(visible);
}

void LabeledReadOut::moveEvent(QMoveEvent *event)
{
    QLineEdit::moveEvent(event);
    placeLabel();
}

void LabeledReadOut::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeLabel();
}

void LabeledReadOut::placeLabel()
{
    label->setGeometry(0, y(), qMax(0, x() - spacing), height());
}

} // namespace tovra
