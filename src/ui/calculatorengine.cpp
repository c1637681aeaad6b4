#include "calculatorengine.h"

#include <cmath>

namespace tovra {

namespace {

double apply(double left, CalculatorEngine::Operation operation, double right)
{
    switch (operation) {
    case CalculatorEngine::Operation::Add:
        return left + right;
    case CalculatorEngine::Operation::Subtract:
        return left - right;
    case CalculatorEngine::Operation::Multiply:
        return left * right;
    case CalculatorEngine::Operation::Divide:
        return left / right;
    case CalculatorEngine::Operation::None:
        break;
    }
    return right;
}

int digitCount(const QString &entry)
{
    int count = 0;
    for (const QChar character : entry)
        count += character.isDigit() ? 1 : 0;
    return count;
}

} // namespace

QString CalculatorEngine::formatNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'g', MaxDigits);
}

bool CalculatorEngine::isCleared() const
{
    return !error && pending == Operation::None && text == QLatin1String("0");
}

double CalculatorEngine::value() const
{
    return text.toDouble();
}

bool CalculatorEngine::recoverFromError()
{
    if (!error)
        return false;
    clear();
    return true;
}

void CalculatorEngine::startEntryIfNeeded()
{
    recoverFromError();
    if (!editing)
        text = QStringLiteral("0");
    editing = true;
    operandEntered = true;
}

void CalculatorEngine::enterDigit(int digit)
{
    startEntryIfNeeded();
    if (digitCount(text) >= MaxDigits)
        return;
    const QString typed = QString::number(digit);
    if (text == QLatin1String("0"))
        text = typed;
    else
        text += typed;
}

void CalculatorEngine::enterPoint()
{
    startEntryIfNeeded();
    if (!text.contains(QLatin1Char('.')))
        text += QLatin1Char('.');
}

void CalculatorEngine::chooseOperation(Operation operation)
{
    if (recoverFromError())
        return;
    if (pending == Operation::None)
        accumulator = value();
    else if (operandEntered)
        showResult(apply(accumulator, pending, value()));
    if (error)
        return;
    pending = operation;
    lastOperation = Operation::None;
    editing = false;
    operandEntered = false;
}

void CalculatorEngine::equals()
{
    if (recoverFromError())
        return;
    if (pending != Operation::None) {
        lastOperation = pending;
        lastOperand = value();
        pending = Operation::None;
        showResult(apply(accumulator, lastOperation, lastOperand));
    } else if (lastOperation != Operation::None) {
        showResult(apply(value(), lastOperation, lastOperand));
    } else {
        showResult(value());
    }
}

void CalculatorEngine::showResult(double result)
{
    editing = false;
    operandEntered = false;
    if (!std::isfinite(result)) {
        clear();
        text = QStringLiteral("Error");
        error = true;
        return;
    }
    accumulator = result;
    text = formatNumber(result);
}

void CalculatorEngine::changeSign()
{
    if (recoverFromError() || value() == 0)
        return;
    if (text.startsWith(QLatin1Char('-')))
        text.remove(0, 1);
    else
        text.prepend(QLatin1Char('-'));
    operandEntered = true;
}

void CalculatorEngine::backspace()
{
    if (recoverFromError() || !editing)
        return;
    text.chop(1);
    if (text.isEmpty() || text == QLatin1String("-"))
        text = QStringLiteral("0");
    else if (text.startsWith(QLatin1Char('-')) && value() == 0)
        text.remove(0, 1); // "-0." reads as "0."
}

void CalculatorEngine::clearEntry()
{
    if (recoverFromError())
        return;
    text = QStringLiteral("0");
    editing = true;
    operandEntered = true;
}

void CalculatorEngine::clear()
{
    *this = CalculatorEngine();
}

} // namespace tovra
