#pragma once

#include <QString>

namespace tovra {

// The arithmetic of the calculator dialog, free of any window: a pocket calculator that works
// each operation as soon as the next one is chosen (2 + 3 × 4 = gives 20). The display shows
// an entry as typed and a result with up to twelve significant digits, "." as the decimal
// point. A division by zero, or a result too large for a double, shows "Error"; the next key
// starts afresh.
class CalculatorEngine
{
public:
    enum class Operation { None, Add, Subtract, Multiply, Divide };

    static constexpr int MaxDigits = 12;

    QString display() const { return text; }
    bool hasError() const { return error; }
    // Nothing entered, nothing pending: what clear() leaves.
    bool isCleared() const;

    void enterDigit(int digit);
    void enterPoint();
    // Works out a pending operation first; choosing another operation right after one replaces it.
    void chooseOperation(Operation operation);
    // Without an operation pending, repeats the last one on the result (2 + 3 = = gives 8).
    void equals();
    void changeSign();
    // Backspace: takes back the last typed character of an entry; a result stays.
    void backspace();
    // CE: the entry becomes 0, a pending operation stays.
    void clearEntry();
    // C: everything back to the start.
    void clear();

    // Up to MaxDigits significant digits, no trailing zeros, "." as the decimal point.
    static QString formatNumber(double value);

private:
    double value() const;
    void startEntryIfNeeded();
    void showResult(double result);
    // A key after an error first wipes it; returns whether there was one.
    bool recoverFromError();

    QString text = QStringLiteral("0");
    double accumulator = 0;
    Operation pending = Operation::None;
    Operation lastOperation = Operation::None;
    double lastOperand = 0;
    // Typed digits extend the display rather than starting a new entry.
    bool editing = false;
    // The display holds the right operand of the pending operation.
    bool operandEntered = false;
    bool error = false;
};

} // namespace tovra
