#include "spineditmodel.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using tovra::SpinEditModel;

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// A model set up the way a window sets up its control: limits first, then the value.
struct Setup
{
    double value = 0.0;
    int decimals = 2;
    double minValue = 0.0;
    double maxValue = 0.0;
    QChar separator;
    int base = 10;
};

void apply(SpinEditModel &model, const Setup &setup)
{
    model.setBase(setup.base);
    model.setDecimals(setup.decimals);
    model.setThousandSeparator(setup.separator);
    model.setMaxValue(setup.maxValue);
    model.setMinValue(setup.minValue);
    model.setValue(setup.value);
}

// Every character ten pixels wide.
int tenPixelsPerCharacter(const QString &text)
{
    return int(text.size()) * 10;
}

} // namespace

class SpinEditModelTest : public QObject
{
    Q_OBJECT

private slots:
    void limitPlaceIsTheHighestDigitButAtLeastTens_data();
    void limitPlaceIsTheHighestDigitButAtLeastTens();
    void textIsFixedPointWithOptionalGroups_data();
    void textIsFixedPointWithOptionalGroups();
    void separatorThatReadsAsNumberBecomesBlank_data();
    void separatorThatReadsAsNumberBecomesBlank();
    void incrementPutsFocusOnLargestPlaceNotAboveIt_data();
    void incrementPutsFocusOnLargestPlaceNotAboveIt();
    void nearlyEqualIncrementChangesNothing();
    void focusLeftOfNumberShowsPlaceholders_data();
    void focusLeftOfNumberShowsPlaceholders();
    void focusMovesWithinDecimalsAndLimitPlace_data();
    void focusMovesWithinDecimalsAndLimitPlace();
    void stepNeverFallsBelowSetIncrement();
    void typedDigitOverwritesFocusDigit_data();
    void typedDigitOverwritesFocusDigit();
    void digitThatMakesNoNumberIsRejected();
    void rightZeroClearsDigitsRightOfFocus_data();
    void rightZeroClearsDigitsRightOfFocus();
    void writesClampAndReportOnlyRealChanges_data();
    void writesClampAndReportOnlyRealChanges();
    void writingClampedValueAgainReportsNothing();
    void spinWithoutTrackingReportsOnceAtEnd();
    void spinWithTrackingReportsEveryStep();
    void deferredChangeSurvivesTrackSpinSwitchedOn();
    void intValueRoundsTiesToEven_data();
    void intValueRoundsTiesToEven();
    void clickSelectsDigitUnderIt_data();
    void clickSelectsDigitUnderIt();
    void clickBesideTheTextNeverSelectsAHiddenDigit_data();
    void clickBesideTheTextNeverSelectsAHiddenDigit();
};

void SpinEditModelTest::limitPlaceIsTheHighestDigitButAtLeastTens_data()
{
    QTest::addColumn<double>("limit");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("place");

    QTest::newRow("100") << 100.0 << 10 << 2;
    QTest::newRow("150") << 150.0 << 10 << 2;
    QTest::newRow("99") << 99.0 << 10 << 1;
    QTest::newRow("1.0") << 1.0 << 10 << 1;
    QTest::newRow("0.1") << 0.1 << 10 << 1;
    QTest::newRow("0") << 0.0 << 10 << 1;
    QTest::newRow("1000 exactly") << 1000.0 << 10 << 3;
    QTest::newRow("just below 1000") << 999.99 << 10 << 2;
    QTest::newRow("316 rounds its log up") << 316.3 << 10 << 2;
    QTest::newRow("1000000") << 1000000.0 << 10 << 6;
    QTest::newRow("negative counts the sign") << -150.0 << 10 << 3;
    QTest::newRow("small negative") << -5.0 << 10 << 2;
    QTest::newRow("256 in base 16") << 256.0 << 16 << 2;
    QTest::newRow("255 in base 2") << 255.0 << 2 << 7;
}

void SpinEditModelTest::limitPlaceIsTheHighestDigitButAtLeastTens()
{
    QFETCH(double, limit);
    QFETCH(int, base);
    QFETCH(int, place);
    QCOMPARE(SpinEditModel::limitPlace(limit, base), place);
}

void SpinEditModelTest::textIsFixedPointWithOptionalGroups_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("text");

    const QChar none;
    const QChar comma(u',');
    QTest::newRow("default") << 0.0 << 2 << none << 10 << "0.00";
    QTest::newRow("no decimals, no point") << 42.0 << 0 << none << 10 << "42";
    QTest::newRow("rounded to decimals") << 2.345678 << 3 << none << 10 << "2.346";
    QTest::newRow("fraction grouped, none after last digit")
        << 0.000001 << 7 << comma << 10 << "0.000,001,0";
    QTest::newRow("integer grouped") << 1234567.5 << 1 << comma << 10 << "1,234,567.5";
    QTest::newRow("integer grouped without decimals") << 1000000.0 << 0 << comma << 10 << "1,000,000";
    QTest::newRow("no separator before first digit") << 123456.0 << 0 << comma << 10 << "123,456";
    QTest::newRow("ungrouped") << 1234567.5 << 1 << none << 10 << "1234567.5";
    QTest::newRow("negative grouped") << -1234567.5 << 1 << comma << 10 << "-1,234,567.5";
    QTest::newRow("no separator after the sign") << -123456.0 << 0 << comma << 10 << "-123,456";
    QTest::newRow("negative fraction") << -0.25 << 2 << none << 10 << "-0.25";
    QTest::newRow("negative that rounds to zero has no sign") << -0.001 << 2 << none << 10 << "0.00";
    QTest::newRow("large value has no exponent") << 1e20 << 0 << none << 10
                                                  << "100000000000000000000";
    QTest::newRow("other bases group by four") << 123456.5 << 5 << comma << 16 << "12,3456.5000,0";
}

void SpinEditModelTest::textIsFixedPointWithOptionalGroups()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QChar, separator);
    QFETCH(int, base);
    QFETCH(QString, text);

    SpinEditModel model;
    model.setIncrement(std::pow(double(base), -decimals)); // keep the focus inside the number
    apply(model, {value, decimals, 0.0, 0.0, separator, base});
    QCOMPARE(model.text(), text);
    QCOMPARE(model.limitText(value), text);
}

void SpinEditModelTest::separatorThatReadsAsNumberBecomesBlank_data()
{
    QTest::addColumn<QChar>("requested");
    QTest::addColumn<QChar>("used");

    QTest::newRow("comma") << QChar(u',') << QChar(u',');
    QTest::newRow("apostrophe") << QChar(u'\'') << QChar(u'\'');
    QTest::newRow("none") << QChar() << QChar();
    QTest::newRow("digit") << QChar(u'5') << QChar(u' ');
    QTest::newRow("letter") << QChar(u'x') << QChar(u' ');
    QTest::newRow("plus") << QChar(u'+') << QChar(u' ');
    QTest::newRow("minus") << QChar(u'-') << QChar(u' ');
    QTest::newRow("decimal point") << QChar(u'.') << QChar(u' ');
    QTest::newRow("placeholder mark") << QChar(u'_') << QChar(u' ');
}

void SpinEditModelTest::separatorThatReadsAsNumberBecomesBlank()
{
    QFETCH(QChar, requested);
    QFETCH(QChar, used);

    SpinEditModel model;
    model.setThousandSeparator(requested);
    QCOMPARE(model.ThousandSeparator(), requested);
    QCOMPARE(model.groupSeparator(), used);
}

void SpinEditModelTest::incrementPutsFocusOnLargestPlaceNotAboveIt_data()
{
    QTest::addColumn<double>("increment");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("place");

    QTest::newRow("0.1") << 0.1 << 1 << -1;
    QTest::newRow("0.01") << 0.01 << 2 << -2;
    QTest::newRow("0.0000001") << 0.0000001 << 7 << -7;
    QTest::newRow("0.000001") << 0.000001 << 7 << -6;
    QTest::newRow("1") << 1.0 << 0 << 0;
    QTest::newRow("0.5 is on the first decimal") << 0.5 << 1 << -1;
    QTest::newRow("25 is on the tens") << 25.0 << 0 << 1;
    QTest::newRow("slightly below a place value drops a place") << 0.09999 << 5 << -2;
    QTest::newRow("within the tolerance of a place value") << 0.099995 << 5 << -1;
    QTest::newRow("negative uses its magnitude") << -0.01 << 2 << -2;
    QTest::newRow("zero lies right of the last decimal") << 0.0 << 2 << -3;
}

void SpinEditModelTest::incrementPutsFocusOnLargestPlaceNotAboveIt()
{
    QFETCH(double, increment);
    QFETCH(int, decimals);
    QFETCH(int, place);

    SpinEditModel model;
    model.setDecimals(decimals);
    model.setIncrement(1000.0); // away from every row's increment
    QSignalSpy incrementChanged(&model, &SpinEditModel::incrementChanged);
    model.setIncrement(increment);
    QCOMPARE(model.focusPlace(), place);
    QCOMPARE(model.Increment(), std::abs(increment)); // the step is not rounded to the place
    QCOMPARE(incrementChanged.count(), 1);
}

void SpinEditModelTest::nearlyEqualIncrementChangesNothing()
{
    SpinEditModel model;
    QSignalSpy incrementChanged(&model, &SpinEditModel::incrementChanged);
    model.setIncrement(1.00000001);
    QCOMPARE(model.Increment(), 1.0);
    QCOMPARE(incrementChanged.count(), 0);
}

void SpinEditModelTest::focusLeftOfNumberShowsPlaceholders_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("drawn");
    QTest::addColumn<int>("focusIndex");

    const QChar none;
    QTest::newRow("one place left of 5.0") << 5.0 << 1 << none << 1 << "_5.0" << "05.0" << 0;
    QTest::newRow("two places left") << 5.0 << 1 << none << 2 << "__5.0" << "005.0" << 0;
    QTest::newRow("back on the units") << 5.0 << 1 << none << 0 << "5.0" << "5.0" << 0;
    QTest::newRow("back on a decimal") << 5.0 << 1 << none << -1 << "5.0" << "5.0" << 2;
    QTest::newRow("group boundary before placeholder")
        << 999.0 << 0 << QChar(u',') << 3 << "_,999" << "0,999" << 0;
    QTest::newRow("placeholder after the sign") << -5.0 << 1 << none << 1 << "-_5.0" << "-05.0" << 1;
    QTest::newRow("in front of a leading zero") << 0.5 << 1 << none << 1 << "_0.5" << "00.5" << 0;
}

void SpinEditModelTest::focusLeftOfNumberShowsPlaceholders()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QChar, separator);
    QFETCH(int, place);
    QFETCH(QString, text);
    QFETCH(QString, drawn);
    QFETCH(int, focusIndex);

    SpinEditModel model;
    apply(model, {value, decimals, -100000.0, 100000.0, separator, 10});
    model.moveFocusTo(3); // walk out and back, so placeholders must also disappear
    model.moveFocusTo(place);
    QCOMPARE(model.text(), text);
    QCOMPARE(model.drawnText(), drawn);
    QCOMPARE(model.focusIndex(), focusIndex);
}

void SpinEditModelTest::focusMovesWithinDecimalsAndLimitPlace_data()
{
    QTest::addColumn<double>("minValue");
    QTest::addColumn<double>("maxValue");
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("place");
    QTest::addColumn<double>("increment");

    QTest::newRow("to the tens") << 0.1 << 100.0 << 1 << 1 << 10.0;
    QTest::newRow("stops at the limit's highest place") << 0.1 << 100.0 << 5 << 2 << 100.0;
    QTest::newRow("stops at the last decimal") << 0.1 << 100.0 << -4 << -2 << 0.01;
    QTest::newRow("equal limits do not stop it") << 0.0 << 0.0 << 5 << 5 << 100000.0;
}

void SpinEditModelTest::focusMovesWithinDecimalsAndLimitPlace()
{
    QFETCH(double, minValue);
    QFETCH(double, maxValue);
    QFETCH(int, requested);
    QFETCH(int, place);
    QFETCH(double, increment);

    SpinEditModel model;
    apply(model, {1.0, 2, minValue, maxValue, QChar(), 10});
    QSignalSpy incrementChanged(&model, &SpinEditModel::incrementChanged);
    model.moveFocusTo(requested);
    QCOMPARE(model.focusPlace(), place);
    QCOMPARE(model.Increment(), increment);
    QCOMPARE(incrementChanged.count(), 1);

    model.moveFocusTo(requested); // the same place again
    QCOMPARE(incrementChanged.count(), 1);
}

void SpinEditModelTest::stepNeverFallsBelowSetIncrement()
{
    // The pulse width control: seven decimals, stepping by at least a microsecond.
    SpinEditModel model;
    apply(model, {0.000001, 7, 0.000001, 0.1, QChar(u','), 10});
    model.setIncrement(0.000001);
    QCOMPARE(model.focusPlace(), -6);

    model.moveFocusTo(-7);
    QCOMPARE(model.focusPlace(), -7);
    QCOMPARE(model.Increment(), 0.000001);
    model.moveFocusTo(-5);
    QCOMPARE(model.Increment(), 0.00001);

    model.moveFocusTo(-7);
    model.stepBy(1);
    QCOMPARE(model.text(), "0.000,002,0");
}

void SpinEditModelTest::typedDigitOverwritesFocusDigit_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("maxValue");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("place");
    QTest::addColumn<QChar>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("placeAfter");

    QTest::newRow("units digit, focus moves right")
        << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u'7') << true << 7.0 << -1;
    QTest::newRow("placeholder hundreds, clamped to the limit")
        << 50.0 << 1 << 100.0 << 10 << 2 << QChar(u'2') << true << 100.0 << 1;
    QTest::newRow("placeholders right of it become zeros")
        << 5.0 << 1 << 0.0 << 10 << 3 << QChar(u'1') << true << 1005.0 << 2;
    QTest::newRow("last decimal keeps the focus")
        << 5.0 << 1 << 0.0 << 10 << -1 << QChar(u'3') << true << 5.3 << -1;
    QTest::newRow("grouped text") << 1234.5 << 1 << 0.0 << 10 << 3 << QChar(u'9') << true << 9234.5
                                  << 2;
    QTest::newRow("letter digit in base 16")
        << 0.0 << 0 << 0.0 << 16 << 0 << QChar(u'b') << true << 11.0 << 0;
    QTest::newRow("point ignored") << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u'.') << false << 5.0
                                   << 0;
    QTest::newRow("minus ignored") << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u'-') << false << 5.0
                                   << 0;
    QTest::newRow("separator ignored") << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u',') << false << 5.0
                                       << 0;
    QTest::newRow("blank ignored") << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u' ') << false << 5.0
                                   << 0;
    QTest::newRow("letter ignored in base 10")
        << 5.0 << 1 << 0.0 << 10 << 0 << QChar(u'a') << false << 5.0 << 0;
    QTest::newRow("digit beyond the base ignored")
        << 5.0 << 1 << 0.0 << 8 << 0 << QChar(u'8') << false << 5.0 << 0;
}

void SpinEditModelTest::typedDigitOverwritesFocusDigit()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, maxValue);
    QFETCH(int, base);
    QFETCH(int, place);
    QFETCH(QChar, typed);
    QFETCH(bool, accepted);
    QFETCH(double, stored);
    QFETCH(int, placeAfter);

    SpinEditModel model;
    apply(model, {value, decimals, 0.0, maxValue, QChar(u','), base});
    model.moveFocusTo(place);
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    QCOMPARE(model.enterDigit(typed), accepted);
    QCOMPARE(model.Value(), stored);
    QCOMPARE(model.focusPlace(), placeAfter);
    QCOMPARE(valueChanged.count(), stored != value ? 1 : 0);
}

void SpinEditModelTest::digitThatMakesNoNumberIsRejected()
{
    // The text is always decimal, so in base 8 a shown 9 cannot be read back.
    SpinEditModel model;
    apply(model, {9.0, 0, 0.0, 0.0, QChar(), 8});
    model.moveFocusTo(1);
    QCOMPARE(model.text(), "_9");
    QSignalSpy rejected(&model, &SpinEditModel::inputRejected);
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);

    QVERIFY(model.enterDigit(u'1'));
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(rejected.first().first().toString(), "Not a valid number");
    QCOMPARE(model.Value(), 9.0);
    QCOMPARE(model.focusPlace(), 1);
    QCOMPARE(valueChanged.count(), 0);
}

void SpinEditModelTest::rightZeroClearsDigitsRightOfFocus_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("place");
    QTest::addColumn<double>("result");

    QTest::newRow("tens") << 345.67 << 1 << 340.0;
    QTest::newRow("units drops the decimals") << 345.67 << 0 << 345.0;
    QTest::newRow("first decimal") << 345.67 << -1 << 345.6;
    QTest::newRow("last decimal keeps everything") << 345.67 << -2 << 345.67;
    QTest::newRow("above the highest digit") << 345.67 << 5 << 0.0;
    QTest::newRow("negative") << -345.67 << 1 << -340.0;
    QTest::newRow("rounds to the shown decimals first") << 1.999 << -2 << 2.0;
}

void SpinEditModelTest::rightZeroClearsDigitsRightOfFocus()
{
    QFETCH(double, value);
    QFETCH(int, place);
    QFETCH(double, result);

    SpinEditModel model;
    apply(model, {value, 2, 0.0, 0.0, QChar(), 10});
    model.moveFocusTo(place);
    model.RightZero();
    QCOMPARE(model.Value(), result);
}

void SpinEditModelTest::writesClampAndReportOnlyRealChanges_data()
{
    QTest::addColumn<double>("minValue");
    QTest::addColumn<double>("maxValue");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("write");
    QTest::addColumn<double>("written");
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("reports");

    QTest::newRow("above the maximum is clamped, reported once")
        << 0.0 << 150.0 << 0.0 << "Value" << 150.5 << 150.0 << 1;
    QTest::newRow("same value reports nothing") << 0.0 << 150.0 << 10.0 << "Value" << 10.0 << 10.0
                                                << 0;
    QTest::newRow("below the minimum") << 1.0 << 150.0 << 10.0 << "Value" << -5.0 << 1.0 << 1;
    QTest::newRow("not a number becomes the minimum")
        << 1.0 << 150.0 << 10.0 << "Value" << notANumber << 1.0 << 1;
    QTest::newRow("lowering the maximum clamps and reports")
        << 0.0 << 150.0 << 120.0 << "MaxValue" << 100.0 << 100.0 << 1;
    QTest::newRow("raising the maximum reports nothing")
        << 0.0 << 150.0 << 120.0 << "MaxValue" << 200.0 << 120.0 << 0;
    QTest::newRow("raising the minimum clamps and reports")
        << 0.0 << 150.0 << 5.0 << "MinValue" << 10.0 << 10.0 << 1;
    QTest::newRow("infinite limit is ignored")
        << 0.0 << 150.0 << 120.0 << "MaxValue" << infinity << 120.0 << 0;
    QTest::newRow("equal limits do not clamp") << 0.0 << 0.0 << 0.0 << "Value" << 1e6 << 1e6 << 1;
    QTest::newRow("equal limits accept negatives") << 0.0 << 0.0 << 0.0 << "Value" << -3.0 << -3.0
                                                   << 1;
    QTest::newRow("equal limits turn infinity into the minimum")
        << 0.0 << 0.0 << 5.0 << "Value" << infinity << 0.0 << 1;
    QTest::newRow("silent write never reports")
        << 0.0 << 150.0 << 0.0 << "Silently" << 140.0 << 140.0 << 0;
    QTest::newRow("silent write still clamps")
        << 0.0 << 150.0 << 0.0 << "Silently" << 200.0 << 150.0 << 0;
}

void SpinEditModelTest::writesClampAndReportOnlyRealChanges()
{
    QFETCH(double, minValue);
    QFETCH(double, maxValue);
    QFETCH(double, value);
    QFETCH(QString, write);
    QFETCH(double, written);
    QFETCH(double, stored);
    QFETCH(int, reports);

    SpinEditModel model;
    apply(model, {value, 2, minValue, maxValue, QChar(), 10});
    QCOMPARE(model.Value(), value);
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    if (write == "Value")
        model.setValue(written);
    else if (write == "MaxValue")
        model.setMaxValue(written);
    else if (write == "MinValue")
        model.setMinValue(written);
    else
        model.setValueSilently(written);
    QCOMPARE(model.Value(), stored);
    QCOMPARE(valueChanged.count(), reports);
}

void SpinEditModelTest::writingClampedValueAgainReportsNothing()
{
    SpinEditModel model;
    apply(model, {0.0, 2, 0.0, 150.0, QChar(), 10});
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    model.setValue(150.5);
    model.setValue(150.5);
    QCOMPARE(model.Value(), 150.0);
    QCOMPARE(model.text(), "150.00");
    QCOMPARE(valueChanged.count(), 1);
}

void SpinEditModelTest::spinWithoutTrackingReportsOnceAtEnd()
{
    SpinEditModel model;
    model.setTrackSpin(false);
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    model.beginSpin();
    model.stepBy(1);
    model.stepBy(1);
    model.stepBy(1);
    QCOMPARE(valueChanged.count(), 0);
    model.endSpin();
    QCOMPARE(valueChanged.count(), 1);
    QCOMPARE(model.Value(), 3.0);

    model.beginSpin(); // a spin that changes nothing reports nothing
    model.endSpin();
    QCOMPARE(valueChanged.count(), 1);
}

void SpinEditModelTest::spinWithTrackingReportsEveryStep()
{
    SpinEditModel model;
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    model.beginSpin();
    model.stepBy(1);
    model.stepBy(-1);
    model.stepBy(-1);
    model.endSpin();
    QCOMPARE(valueChanged.count(), 3);
    QCOMPARE(model.Value(), -1.0);
}

void SpinEditModelTest::deferredChangeSurvivesTrackSpinSwitchedOn()
{
    SpinEditModel model;
    model.setTrackSpin(false);
    QSignalSpy valueChanged(&model, &SpinEditModel::valueChanged);
    model.beginSpin();
    model.stepBy(1);
    model.setTrackSpin(true);
    model.endSpin();
    QCOMPARE(valueChanged.count(), 1);
}

void SpinEditModelTest::intValueRoundsTiesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("intValue");

    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("2.4999") << 2.4999 << qint64(2);
    QTest::newRow("2.6") << 2.6 << qint64(3);
    QTest::newRow("beyond the range saturates") << 1e30 << std::numeric_limits<qint64>::max();
    QTest::newRow("below the range saturates") << -1e30 << std::numeric_limits<qint64>::min();
}

void SpinEditModelTest::intValueRoundsTiesToEven()
{
    QFETCH(double, value);
    QFETCH(qint64, intValue);

    SpinEditModel model;
    model.setValue(value);
    QCOMPARE(model.IntValue(), intValue);
}

void SpinEditModelTest::clickSelectsDigitUnderIt_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("place");

    // "1,234.56" with every character 10 pixels wide: '1' 0-9, ',' 10-19, '2' 20-29,
    // '3' 30-39, '4' 40-49, '.' 50-59, '5' 60-69, '6' 70-79.
    QTest::newRow("first digit") << 5 << 3;
    QTest::newRow("separator selects the digit on its right") << 15 << 2;
    QTest::newRow("hundreds") << 25 << 2;
    QTest::newRow("units") << 45 << 0;
    QTest::newRow("decimal point selects the units") << 55 << 0;
    QTest::newRow("first decimal") << 60 << -1;
    QTest::newRow("right of the text selects the last decimal") << 200 << -2;
    QTest::newRow("left of the text selects the first digit") << -3 << 3;
    QTest::newRow("far left of the text selects the first digit") << -300 << 3;
}

void SpinEditModelTest::clickSelectsDigitUnderIt()
{
    QFETCH(int, x);
    QFETCH(int, place);

    SpinEditModel model;
    apply(model, {1234.56, 2, 0.0, 0.0, QChar(u','), 10});
    QCOMPARE(model.text(), "1,234.56");
    QCOMPARE(model.placeAt(x, tenPixelsPerCharacter), place);
}

void SpinEditModelTest::clickBesideTheTextNeverSelectsAHiddenDigit_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("x");
    QTest::addColumn<double>("afterOneUp");

    // The repetition rate: one decimal, 0.1 to 100; "10.0" is 40 pixels wide.
    QTest::newRow("left of 10.0 steps the tens") << 10.0 << -25 << 20.0;
    QTest::newRow("left of 5.0 steps the units") << 5.0 << -1 << 6.0;
    QTest::newRow("right of 10.0 steps the decimal") << 10.0 << 90 << 10.1;
    QTest::newRow("left of 100.0 at the maximum stays") << 100.0 << -5 << 100.0;
}

// A click into the empty left part of a right-aligned field, then Up: the step is one of a digit
// the operator sees, never the maximum at once.
void SpinEditModelTest::clickBesideTheTextNeverSelectsAHiddenDigit()
{
    QFETCH(double, value);
    QFETCH(int, x);
    SpinEditModel model;
    apply(model, {value, 1, 0.1, 100.0, QChar(), 10});
    model.setIncrement(0.1);

    model.moveFocusTo(model.placeAt(x, tenPixelsPerCharacter));
    QVERIFY2(!model.text().contains(SpinEditModel::placeholder), qPrintable(model.text()));
    model.stepBy(1);

    QTEST(model.Value(), "afterOneUp");
}

QTEST_GUILESS_MAIN(SpinEditModelTest)
#include "tst_spineditmodel.moc"
