#include "spineditmodel.h"

#include <algorithm>
#include <cmath>

namespace tovra {

namespace {

constexpr QChar decimalPoint = u'.';
constexpr QChar minusSign = u'-';
constexpr int maxDecimals = 18;
constexpr int minBase = 2;
constexpr int maxBase = 20;
// Increments closer than this (relative) to the current step change nothing.
constexpr double sameIncrementTolerance = 1e-7;
// A place value may exceed the increment by this factor and still count as "not above" it.
constexpr double placeTolerance = 1.0001;
// RightZero rounds the value to this many significant digits first.
constexpr int rightZeroPrecision = 12;

// 0..9 for '0'..'9', 10..35 for the letters; -1 for anything else.
int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 10;
    return -1;
}

double integerPower(int base, int exponent)
{
    double power = 1.0;
    for (int i = 0; i < exponent; ++i)
        power *= base;
    return power;
}

// Fixed-point decimal without exponent; a value that rounds to zero carries no sign.
QString fixedPoint(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    const bool allZero = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == minusSign || c == decimalPoint || c == u'0';
    });
    if (allZero && text.startsWith(minusSign))
        text.remove(0, 1);
    return text;
}

} // namespace

SpinEditModel::SpinEditModel(QObject *parent)
    : QObject(parent)
{
    rebuildText();
}

int SpinEditModel::limitPlace(double x, int base)
{
    const double magnitude = std::abs(x);
    int place = 0;
    if (magnitude > 1.0)
        place = int(std::nearbyint(std::log(magnitude) / std::log(double(base))));
    if (magnitude < integerPower(base, place))
        --place;
    return std::max(place, 1) + (x < 0 ? 1 : 0);
}

double SpinEditModel::placeValue(int place) const
{
    return place >= 0 ? integerPower(fBase, place) : 1.0 / integerPower(fBase, -place);
}

double SpinEditModel::clamped(double value) const
{
    if (fMinValue == fMaxValue)
        return std::isfinite(value) ? value : fMinValue;
    if (!(value >= fMinValue)) // also catches NaN
        return fMinValue;
    return std::min(value, fMaxValue);
}

bool SpinEditModel::storeValue(double value)
{
    value = clamped(value);
    if (value == fValue)
        return false;
    fValue = value;
    rebuildText();
    return true;
}

bool SpinEditModel::setValue(double value)
{
    if (!storeValue(value))
        return false;
    if (fSpinning && !fTrackSpin) {
        fModified = true;
    } else {
        fModified = false;
        emit valueChanged();
    }
    return true;
}

void SpinEditModel::setValueSilently(double value)
{
    storeValue(value);
}

qint64 SpinEditModel::IntValue() const
{
    // 2^63 is exact in a double; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    const double rounded = std::nearbyint(fValue);
    if (rounded >= limit)
        return std::numeric_limits<qint64>::max();
    if (rounded < -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(rounded);
}

void SpinEditModel::setMinValue(double limit)
{
    if (!std::isfinite(limit) || limit == fMinValue)
        return;
    fMinValue = limit;
    setValue(fValue);
}

void SpinEditModel::setMaxValue(double limit)
{
    if (!std::isfinite(limit) || limit == fMaxValue)
        return;
    fMaxValue = limit;
    setValue(fValue);
}

void SpinEditModel::setIncrement(double x)
{
    if (!std::isfinite(x))
        return;
    x = std::abs(x);
    fSavedIncrement = x;
    if (fIncrement > 0.0 && std::abs(x - fIncrement) / fIncrement < sameIncrementTolerance)
        return;
    int place = -fDecimals - 1;
    if (x > 1e-20) {
        place = int(std::nearbyint(std::log(x) / std::log(double(fBase))));
        if (placeValue(place) > placeTolerance * x)
            --place;
    }
    fIncExponent = place;
    fIncrement = x;
    rebuildText();
    emit incrementChanged();
}

void SpinEditModel::moveFocusTo(int place)
{
    place = std::max(place, -fDecimals);
    if (fMinValue != fMaxValue)
        place = std::min(place, std::max(limitPlace(fMinValue, fBase), limitPlace(fMaxValue, fBase)));
    if (place == fIncExponent)
        return;
    fIncrement = std::max(placeValue(place), fSavedIncrement);
    fIncExponent = place;
    rebuildText();
    emit incrementChanged();
}

void SpinEditModel::setDecimals(int decimals)
{
    decimals = std::clamp(decimals, 0, maxDecimals);
    if (decimals == fDecimals)
        return;
    fDecimals = decimals;
    rebuildText();
}

void SpinEditModel::setBase(int base)
{
    base = std::clamp(base, minBase, maxBase);
    if (base == fBase)
        return;
    fBase = base;
    rebuildText();
    moveFocusTo(fIncExponent);
}

void SpinEditModel::setThousandSeparator(QChar separator)
{
    fThousandSep = separator;
    const bool readsAsNumber = separator.isLetterOrNumber() || separator == u'+'
        || separator == minusSign || separator == decimalPoint || separator == placeholder;
    fInternalThousandSep = readsAsNumber ? QChar(u' ') : separator;
    rebuildText();
}

void SpinEditModel::beginSpin()
{
    fSpinning = true;
}

void SpinEditModel::endSpin()
{
    fSpinning = false;
    // A change deferred during the spin is reported even if TrackSpin was switched on meanwhile.
    if (fModified) {
        fModified = false;
        emit valueChanged();
    }
}

void SpinEditModel::stepBy(int direction)
{
    setValue(fValue + direction * fIncrement);
}

bool SpinEditModel::enterDigit(QChar c)
{
    const int digit = digitValue(c);
    if (digit < 0 || digit >= fBase)
        return false;
    if (fFocusIndex < 0)
        return true;
    QString edited;
    for (int i = 0; i < fText.size(); ++i) {
        if (i == fFocusIndex)
            edited += c;
        else if (fText[i] == placeholder)
            edited += u'0';
        else if (!isSeparatorAt(i))
            edited += fText[i];
    }
    double entered = 0.0;
    if (!parse(edited, &entered)) {
        emit inputRejected(notANumberMessage());
        return true;
    }
    if (fIncExponent > -fDecimals)
        moveFocusTo(fIncExponent - 1);
    setValue(entered);
    return true;
}

void SpinEditModel::RightZero()
{
    const double rounded = QString::number(fValue, 'g', rightZeroPrecision).toDouble();
    QString text = fixedPoint(rounded, fDecimals);
    int zeroCount = 0;
    if (fIncExponent < 0) {
        zeroCount = fIncExponent + fDecimals;
    } else {
        const qsizetype point = text.indexOf(decimalPoint);
        if (point >= 0)
            text.truncate(point);
        zeroCount = fIncExponent;
    }
    const qsizetype zeros = std::clamp<qsizetype>(zeroCount, 0, text.size());
    for (qsizetype i = text.size() - zeros; i < text.size(); ++i)
        text[i] = u'0';
    setValue(text.toDouble());
}

QString SpinEditModel::drawnText() const
{
    QString drawn = fText;
    return drawn.replace(placeholder, u'0');
}

QString SpinEditModel::limitText(double value) const
{
    return layout(value, notADigit).text;
}

int SpinEditModel::placeAt(int x, const std::function<int(const QString &)> &textWidth) const
{
    const QString drawn = drawnText();
    // The text is one number, far shorter than an int can count.
    for (int i = int(fText.size()) - 1; i >= 0; --i) {
        if (fPlaces[i] == notADigit)
            continue;
        // A separator belongs to the digit on its right; the decimal point to the units digit.
        const int cellStart = (i > 0 && isSeparatorAt(i - 1)) ? i - 1 : i;
        if (x >= textWidth(drawn.left(cellStart)))
            return fPlaces[i];
    }
    // Left of the text (the empty part of a right-aligned field): the nearest digit shown. A
    // hidden digit further left would make the next step jump by a power of ten the operator
    // never saw, to the maximum.
    const int first = firstDigitIndex();
    return first < 0 ? fIncExponent : fPlaces[first];
}

SpinEditModel::Layout SpinEditModel::layout(double value, int focusPlace) const
{
    const QString number = fixedPoint(value, fDecimals);
    const bool negative = number.startsWith(minusSign);
    const QString unsignedNumber = negative ? number.mid(1) : number;
    const qsizetype point = unsignedNumber.indexOf(decimalPoint);
    QString integerDigits = point < 0 ? unsignedNumber : unsignedNumber.left(point);
    const QString fraction = point < 0 ? QString() : unsignedNumber.mid(point + 1);
    const int highestPlace = int(integerDigits.size()) - 1;
    if (focusPlace != notADigit && focusPlace > highestPlace)
        integerDigits.prepend(QString(focusPlace - highestPlace, placeholder));

    const bool grouping = !fInternalThousandSep.isNull();
    const int groupSize = fBase == 10 ? 3 : 4;
    Layout result;
    auto append = [&result](QChar c, int place) {
        result.text += c;
        result.places.append(place);
    };
    if (negative)
        append(minusSign, notADigit);
    const int integerCount = int(integerDigits.size());
    for (int i = 0; i < integerCount; ++i) {
        const int place = integerCount - 1 - i;
        if (grouping && i > 0 && (place + 1) % groupSize == 0)
            append(fInternalThousandSep, notADigit);
        append(integerDigits[i], place);
    }
    if (fDecimals > 0) {
        append(decimalPoint, notADigit);
        const int fractionCount = int(fraction.size());
        for (int j = 1; j <= fractionCount; ++j) {
            append(fraction[j - 1], -j);
            if (grouping && j % groupSize == 0 && j < fractionCount)
                append(fInternalThousandSep, notADigit);
        }
    }
    return result;
}

void SpinEditModel::rebuildText()
{
    Layout rebuilt = layout(fValue, fIncExponent);
    fText = std::move(rebuilt.text);
    fPlaces = std::move(rebuilt.places);
    fFocusIndex = int(fPlaces.indexOf(fIncExponent));
    emit displayChanged();
}

int SpinEditModel::firstDigitIndex() const
{
    const auto it = std::find_if(fPlaces.cbegin(), fPlaces.cend(),
                                 [](int place) { return place != notADigit; });
    return it == fPlaces.cend() ? -1 : int(it - fPlaces.cbegin());
}

bool SpinEditModel::isSeparatorAt(int index) const
{
    return fPlaces[index] == notADigit && fText[index] != decimalPoint && fText[index] != minusSign;
}

bool SpinEditModel::parse(const QString &text, double *result) const
{
    const bool negative = text.startsWith(minusSign);
    const QStringView number = QStringView(text).mid(negative ? 1 : 0);
    double mantissa = 0.0;
    int fractionDigits = 0;
    bool afterPoint = false;
    for (QChar c : number) {
        if (c == decimalPoint && !afterPoint) {
            afterPoint = true;
            continue;
        }
        const int digit = digitValue(c);
        if (digit < 0 || digit >= fBase)
            return false;
        mantissa = mantissa * fBase + digit;
        fractionDigits += afterPoint ? 1 : 0;
    }
    // Decimal text goes through the library conversion, which rounds correctly however long
    // the text; other bases are composed from their digits.
    const double magnitude = fBase == 10 ? number.toDouble()
                                         : mantissa / integerPower(fBase, fractionDigits);
    *result = negative ? -magnitude : magnitude;
    return true;
}

} // namespace tovra
