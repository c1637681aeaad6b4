#include "calculatordialog.h"
#include "calculatorengine.h"

#include <QKeySequence>
#include <QPushButton>
#include <QTest>

#include <limits>

using tovra::Calculator;
using tovra::CalculatorEngine;

namespace {

// Types keys on the widget: a single character is typed as itself, a longer word is a key name
// such as "Return", "Backspace", "Del", "Esc" or "F9".
void type(QWidget *widget, const QString &keys)
{
    for (const QString &key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (key.size() == 1)
            QTest::keyClick(widget, key.front().toLatin1());
        else
            QTest::keySequence(widget, QKeySequence(key));
    }
}

} // namespace

class CalculatorTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsShowingZero();
    void typedKeysGiveDisplay_data();
    void typedKeysGiveDisplay();
    void buttonsWorkLikeTheirKeys();
    void escapeOnClearedCalculatorClosesIt();
    void buttonsNeverTakeTheKeyboardFocus();
    void resultsShowTwelveSignificantDigitsWithPoint_data();
    void resultsShowTwelveSignificantDigitsWithPoint();

private:
    Calculator *dialog = nullptr;
};

void CalculatorTest::init()
{
    dialog = new Calculator;
    dialog->show();
}

void CalculatorTest::cleanup()
{
    delete dialog;
    dialog = nullptr;
}

void CalculatorTest::startsShowingZero()
{
    QCOMPARE(dialog->displayText(), QStringLiteral("0"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Calculator"));
}

void CalculatorTest::typedKeysGiveDisplay_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");

    QTest::newRow("digits build the entry") << "1 2 3" << "123";
    QTest::newRow("leading zeros are dropped") << "0 0 7" << "7";
    QTest::newRow("point starts a fraction") << ". 5" << "0.5";
    QTest::newRow("comma is a point too") << "2 , 5" << "2.5";
    QTest::newRow("second point is ignored") << "1 . 2 . 3" << "1.23";
    QTest::newRow("entry keeps a trailing point") << "4 ." << "4.";
    QTest::newRow("entry stops at twelve digits") << "1 2 3 4 5 6 7 8 9 0 1 2 3 4" << "123456789012";
    QTest::newRow("addition") << "1 2 + 3 0 =" << "42";
    QTest::newRow("Return is equals") << "7 - 9 Return" << "-2";
    QTest::newRow("multiplication") << "1 . 5 * 4 =" << "6";
    QTest::newRow("division with fraction") << "1 / 8 =" << "0.125";
    QTest::newRow("operations work in the order typed") << "2 + 3 * 4 =" << "20";
    QTest::newRow("operator shows the running result") << "2 + 3 *" << "5";
    QTest::newRow("later operator replaces earlier one") << "6 + * 2 =" << "12";
    QTest::newRow("equals again repeats the last step") << "2 + 3 = =" << "8";
    QTest::newRow("new number after result starts afresh") << "2 + 3 = 7" << "7";
    QTest::newRow("result goes on into the next operation") << "2 + 3 = * 2 =" << "10";
    QTest::newRow("equals without second number uses the first") << "4 * =" << "16";
    QTest::newRow("sum of tenths has no binary tail") << ". 1 + . 2 =" << "0.3";
    QTest::newRow("division by zero shows Error") << "5 / 0 =" << "Error";
    QTest::newRow("chained division by zero shows Error") << "5 / 0 +" << "Error";
    QTest::newRow("digit after Error starts a new number") << "5 / 0 = 8" << "8";
    QTest::newRow("operator after Error only clears it") << "5 / 0 = +" << "0";
    QTest::newRow("calculation after Error works") << "5 / 0 = 2 + 2 =" << "4";
    QTest::newRow("result too large shows Error") << "9 9 9 9 9 9 9 9 9 9 9 9 * = * = * = * = * =" << "Error";
    QTest::newRow("F9 changes the sign") << "1 2 F9" << "-12";
    QTest::newRow("F9 twice restores the sign") << "1 2 F9 F9" << "12";
    QTest::newRow("F9 leaves zero alone") << "F9" << "0";
    QTest::newRow("negated second operand") << "5 - 8 F9 =" << "13";
    QTest::newRow("negated result") << "2 + 3 = F9" << "-5";
    QTest::newRow("Backspace takes back a digit") << "1 2 3 Backspace" << "12";
    QTest::newRow("Backspace of the last digit leaves zero") << "7 Backspace" << "0";
    QTest::newRow("Backspace of negative digit leaves zero") << "7 F9 Backspace" << "0";
    QTest::newRow("Backspace leaves a result alone") << "2 + 3 = Backspace" << "5";
    QTest::newRow("Del clears the entry only") << "9 + 4 Del 1 =" << "10";
    QTest::newRow("Escape clears everything") << "9 + 4 Esc 1 =" << "1";
}

void CalculatorTest::typedKeysGiveDisplay()
{
    QFETCH(QString, keys);
    type(dialog, keys);
    QTEST(dialog->displayText(), "display");
    QVERIFY(dialog->isVisible());
}

void CalculatorTest::buttonsWorkLikeTheirKeys()
{
    const QStringList buttons = {"Button7", "DivideButton", "Button2", "EqualsButton", "SignButton", "SubtractButton",
                                 "Button1", "PointButton", "Button5", "EqualsButton"};
    for (const QString &name : buttons) {
        auto *button = dialog->findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(dialog->displayText(), QStringLiteral("-5"));

    QTest::mouseClick(dialog->findChild<QPushButton *>("ClearButton"), Qt::LeftButton);
    QCOMPARE(dialog->displayText(), QStringLiteral("0"));
}

void CalculatorTest::escapeOnClearedCalculatorClosesIt()
{
    type(dialog, "4 2");
    type(dialog, "Esc");
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->displayText(), QStringLiteral("0"));

    type(dialog, "Esc");
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void CalculatorTest::buttonsNeverTakeTheKeyboardFocus()
{
    for (const QPushButton *button : dialog->findChildren<QPushButton *>()) {
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(!button->autoDefault());
    }
}

void CalculatorTest::resultsShowTwelveSignificantDigitsWithPoint_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("integer") << 42.0 << "42";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("fraction") << -0.25 << "-0.25";
    QTest::newRow("one third") << 1.0 / 3.0 << "0.333333333333";
    QTest::newRow("twelve digits") << 123456789012.0 << "123456789012";
    QTest::newRow("beyond twelve digits") << 1234567890123.0 << "1.23456789012e+12";
    QTest::newRow("very small") << 0.00000000001 << "1e-11";
}

void CalculatorTest::resultsShowTwelveSignificantDigitsWithPoint()
{
    QFETCH(double, value);
    QTEST(CalculatorEngine::formatNumber(value), "text");
}

QTEST_MAIN(CalculatorTest)
#include "tst_calculator.moc"
