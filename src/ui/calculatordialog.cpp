#include "calculatordialog.h"

#include <QFont>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace tovra {

namespace {

using Operation = CalculatorEngine::Operation;

constexpr int keypadColumns = 4;

CalculatorEngine::Operation operationOf(QChar character)
{
    switch (character.unicode()) {
    case '+':
        return Operation::Add;
    case '-':
        return Operation::Subtract;
    case '*':
        return Operation::Multiply;
    case '/':
        return Operation::Divide;
    default:
        return Operation::None;
    }
}

} // namespace

Calculator::Calculator(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Calculator"));
    setWindowTitle(QStringLiteral("Calculator"));

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    display = new QLabel(engine.display(), this);
    display->setObjectName(QStringLiteral("Display"));
    display->setTextFormat(Qt::PlainText);
    display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    display->setAutoFillBackground(true);
    display->setBackgroundRole(QPalette::Base);
    display->setMinimumWidth(240);
    QFont large = display->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    display->setFont(large);
    grid->addWidget(display, 0, 0, 1, keypadColumns);

    addButton(grid, QStringLiteral("C"), QStringLiteral("ClearButton"), 1, 0, &CalculatorEngine::clear);
    addButton(grid, QStringLiteral("CE"), QStringLiteral("ClearEntryButton"), 1, 1, &CalculatorEngine::clearEntry);
    addButton(grid, QStringLiteral("\u2190"), QStringLiteral("BackspaceButton"), 1, 2, &CalculatorEngine::backspace);
    addButton(grid, QStringLiteral("\u00F7"), QStringLiteral("DivideButton"), 1, 3,
              [](CalculatorEngine &calculation) { calculation.chooseOperation(Operation::Divide); });
    addButton(grid, QStringLiteral("\u00D7"), QStringLiteral("MultiplyButton"), 2, 3,
              [](CalculatorEngine &calculation) { calculation.chooseOperation(Operation::Multiply); });
    addButton(grid, QStringLiteral("\u2212"), QStringLiteral("SubtractButton"), 3, 3,
              [](CalculatorEngine &calculation) { calculation.chooseOperation(Operation::Subtract); });
    addButton(grid, QStringLiteral("+"), QStringLiteral("AddButton"), 4, 3,
              [](CalculatorEngine &calculation) { calculation.chooseOperation(Operation::Add); });
    addButton(grid, QStringLiteral("\u00B1"), QStringLiteral("SignButton"), 5, 0, &CalculatorEngine::changeSign);
    addButton(grid, QStringLiteral("."), QStringLiteral("PointButton"), 5, 2, &CalculatorEngine::enterPoint);
    addButton(grid, QStringLiteral("="), QStringLiteral("EqualsButton"), 5, 3, &CalculatorEngine::equals);
    // 7 8 9 / 4 5 6 / 1 2 3 above 0.
    for (int digit = 0; digit <= 9; ++digit) {
        const int row = digit == 0 ? 5 : 4 - (digit - 1) / 3;
        const int column = digit == 0 ? 1 : (digit - 1) % 3;
        addButton(grid, QString::number(digit), QStringLiteral("Button%1").arg(digit), row, column,
                  [digit](CalculatorEngine &calculation) { calculation.enterDigit(digit); });
    }
}

// The buttons never take the focus, so every key reaches the dialog itself.
void Calculator::addButton(QGridLayout *grid, const QString &caption, const QString &name, int row, int column,
                           const Action &action)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setMinimumSize(52, 40);
    connect(button, &QPushButton::clicked, this, [this, action] { press(action); });
    grid->addWidget(button, row, column);
}

QString Calculator::displayText() const
{
    return display->text();
}

void Calculator::press(const Action &action)
{
    action(engine);
    display->setText(engine.display());
}

void Calculator::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

bool Calculator::handleKey(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        press(&CalculatorEngine::equals);
        return true;
    case Qt::Key_Backspace:
        press(&CalculatorEngine::backspace);
        return true;
    case Qt::Key_Delete:
        press(&CalculatorEngine::clearEntry);
        return true;
    case Qt::Key_F9:
        press(&CalculatorEngine::changeSign);
        return true;
    case Qt::Key_Escape:
        if (engine.isCleared())
            reject();
        else
            press(&CalculatorEngine::clear);
        return true;
    default:
        break;
    }
    const QString typed = event->text();
    if (typed.size() != 1)
        return false;
    const QChar character = typed.front();
    if (character >= QLatin1Char('0') && character <= QLatin1Char('9')) {
        const int digit = character.digitValue();
        press([digit](CalculatorEngine &calculation) { calculation.enterDigit(digit); });
    } else if (character == QLatin1Char('.') || character == QLatin1Char(',')) {
        press(&CalculatorEngine::enterPoint);
    } else if (character == QLatin1Char('=')) {
        press(&CalculatorEngine::equals);
    } else if (const Operation operation = operationOf(character); operation != Operation::None) {
        press([operation](CalculatorEngine &calculation) { calculation.chooseOperation(operation); });
    } else {
        return false;
    }
    return true;
}

} // namespace tovra
