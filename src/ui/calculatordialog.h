#pragma once

#include "calculatorengine.h"

#include <QDialog>

#include <functional>

class QGridLayout;
class QLabel;

namespace tovra {

// The Tools > Calculator dialog: a display over a keypad of digits, point, the four operations,
// equals, C, CE, backspace and sign change. The keyboard works it too: digits, "." (or ","),
// + - * /, Enter or "=", Backspace, Delete for CE, F9 for the sign, and Escape, which clears and,
// on a cleared calculator, closes the dialog.
class Calculator : public QDialog
{
    Q_OBJECT
public:
    explicit Calculator(QWidget *parent = nullptr);

    QString displayText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    using Action = std::function<void(CalculatorEngine &)>;

    void addButton(QGridLayout *grid, const QString &caption, const QString &name, int row, int column,
                   const Action &action);
    bool handleKey(const QKeyEvent *event);
    void press(const Action &action);

    CalculatorEngine engine;
    QLabel *display = nullptr;
};

} // namespace tovra
