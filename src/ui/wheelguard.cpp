#include "wheelguard.h"

#include <QComboBox>
#include <QEvent>

namespace tovra {

namespace {

class UnfocusedWheelFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget *>(watched)->hasFocus())
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void takeWheelOnlyWhenFocused(QComboBox *choice)
{
    choice->setFocusPolicy(Qt::StrongFocus);
    choice->installEventFilter(new UnfocusedWheelFilter(choice));
}

} // namespace tovra
