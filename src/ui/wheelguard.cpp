#include "wheelguard.h"

#include <QComboBox>
#include <QFocusEvent>

namespace tovra {

namespace {

class UnfocusedWheelFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            focusedByOperator = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason
                                || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
            return false;
        }
        // A click or a key on a control that already had the focus makes it the operator's too.
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
            focusedByOperator = true;
            return false;
        default:
            break;
        }
        if (event->type() != QEvent::Wheel || (focusedByOperator && static_cast<QWidget *>(watched)->hasFocus()))
            return false;
        event->ignore();
        return true;
    }

private:
    bool focusedByOperator = false;
};

} // namespace

void takeWheelOnlyWhenFocused(QComboBox *choice)
{
    choice->setFocusPolicy(Qt::StrongFocus);
    choice->installEventFilter(new UnfocusedWheelFilter(choice));
}

} // namespace tovra
