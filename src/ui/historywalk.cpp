#include "historywalk.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>

namespace tovra {

namespace {

class HistoryWalk : public QObject
{
public:
    explicit HistoryWalk(QComboBox *walked)
        : QObject(walked), field(walked)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (key->key() == Qt::Key_Up)
            older();
        else if (key->key() == Qt::Key_Down)
            newer();
        else
            return false;
        return true;
    }

private:
    void older()
    {
        const int entry = field->currentIndex();
        if (entry == 0 || field->count() == 0)
            return;
        if (entry < 0) {
            draft = field->currentText();
            field->setCurrentIndex(field->count() - 1);
        } else {
            field->setCurrentIndex(entry - 1);
        }
    }

    void newer()
    {
        const int entry = field->currentIndex();
        if (entry < 0)
            return;
        if (entry + 1 < field->count()) {
            field->setCurrentIndex(entry + 1);
            return;
        }
        field->setCurrentIndex(-1);
        field->setEditText(draft);
    }

    QComboBox *const field;
    QString draft;
};

} // namespace

void walkHistoryWithArrowKeys(QComboBox *field)
{
    field->installEventFilter(new HistoryWalk(field));
}

} // namespace tovra
