#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <limits>

namespace tovra {

// The number behind a TPlusSpinEdit, free of any window: the stored value and its limits, the
// step and the focus place (the exponent of the highlighted digit's place value), the spin
// reporting rule and the text that is displayed. The widget only paints this text and turns
// keys and clicks into the operations below, so every arithmetic and text rule can be checked
// without a window.
//
// Places count from the units: 0 units, 1 tens, -1 first decimal. The displayed text is the
// value in fixed-point decimal, grouped when a separator is set, and extended on the left with
// placeholder digits ('_', drawn as '0') when the focus lies left of the first real digit.
class SpinEditModel : public QObject
{
    Q_OBJECT
public:
    // Stands for a placeholder digit in text(); drawnText() shows it as '0'.
    static constexpr QChar placeholder = u'_';
    // The message of a digit entry whose result is no number in the current base.
    static QString notANumberMessage() { return QStringLiteral("Not a valid number"); }

    explicit SpinEditModel(QObject *parent = nullptr);

    // The place of the highest digit of |x| in base `base`, at least 1 (the tens), plus one for
    // the sign of a negative x. The focus never moves above the larger place of the two limits.
    static int limitPlace(double x, int base);

    double Value() const { return fValue; }
    // Clamps and stores; reports the change (valueChanged) unless a spin defers it. Returns
    // whether the stored value changed.
    bool setValue(double value);
    // Clamps and stores like setValue but never reports.
    void setValueSilently(double value);
    // Value rounded to the nearest integer, ties to even, saturated to the qint64 range.
    qint64 IntValue() const;

    double MinValue() const { return fMinValue; }
    double MaxValue() const { return fMaxValue; }
    // A changed limit writes the current value back through setValue, so a limit that now
    // excludes the value clamps it and reports. Limits that are no finite number are ignored.
    void setMinValue(double limit);
    void setMaxValue(double limit);

    // The current step, always >= 0.
    double Increment() const { return fIncrement; }
    // Sets the step to |x| and puts the focus on the largest place value not above it. Moving
    // the focus later never makes the step smaller than this. A non-finite x is ignored.
    void setIncrement(double x);
    int focusPlace() const { return fIncExponent; }
    // Moves the focus to `place`, kept between the last decimal and the limits' highest place;
    // the step becomes that place's value (never below the last increment set).
    void moveFocusTo(int place);

    int Decimals() const { return fDecimals; }
    void setDecimals(int decimals); // clamped to 0..18
    int Base() const { return fBase; }
    void setBase(int base); // clamped to 2..20
    // The separator asked for; QChar() means no grouping.
    QChar ThousandSeparator() const { return fThousandSep; }
    // A requested separator that could be read as part of a number (digit, letter, sign, the
    // decimal point or the placeholder) is replaced by a blank.
    void setThousandSeparator(QChar separator);
    // The separator in use; QChar() when there is no grouping.
    QChar groupSeparator() const { return fInternalThousandSep; }

    // With TrackSpin on, every step of a held spin reports at once; with it off, a spin reports
    // once, when it ends, if the value changed.
    bool TrackSpin() const { return fTrackSpin; }
    void setTrackSpin(bool track) { fTrackSpin = track; }
    bool isSpinning() const { return fSpinning; }
    void beginSpin();
    void endSpin();
    // Adds (direction 1) or subtracts (direction -1) the step.
    void stepBy(int direction);

    // Overwrites the focus digit with `c` and stores the result. Returns false for a character
    // that is no digit of the base (it is ignored). A result that is no number leaves value and
    // focus as they were and emits inputRejected.
    bool enterDigit(QChar c);
    // Sets every digit right of the focus digit to zero.
    void RightZero();

    // The displayed text, placeholders as '_'.
    QString text() const { return fText; }
    // The text as drawn and measured: placeholders as '0'.
    QString drawnText() const;
    // Index of the focus character in text(), or -1 when the focus place has no character.
    int focusIndex() const { return fFocusIndex; }
    // The text `value` would show, without placeholders (used to size the control).
    QString limitText(double value) const;
    // The place a click selects: the digit under it, the nearest digit shown for a click beside
    // the text. `x` is measured from the left edge of the text; `textWidth` measures a prefix of
    // drawnText().
    int placeAt(int x, const std::function<int(const QString &)> &textWidth) const;

signals:
    void valueChanged();
    void incrementChanged();
    // The text or the focus character changed.
    void displayChanged();
    void inputRejected(const QString &message);

private:
    struct Layout
    {
        QString text;
        QList<int> places; // the place of each character; notADigit for sign, point, separators
    };
    static constexpr int notADigit = std::numeric_limits<int>::min();

    double clamped(double value) const;
    bool storeValue(double value);
    double placeValue(int place) const;
    Layout layout(double value, int focusPlace) const;
    void rebuildText();
    int firstDigitIndex() const;
    bool isSeparatorAt(int index) const;
    bool parse(const QString &text, double *result) const;

    double fValue = 0.0;
    double fMinValue = 0.0;
    double fMaxValue = 0.0;
    double fIncrement = 1.0;
    double fSavedIncrement = 0.0;
    int fIncExponent = 0;
    int fDecimals = 2;
    int fBase = 10;
    QChar fThousandSep;
    QChar fInternalThousandSep;
    bool fTrackSpin = true;
    bool fSpinning = false;
    bool fModified = false;
    QString fText;
    QList<int> fPlaces;
    int fFocusIndex = -1;
};

} // namespace tovra
