#include "displayformat.h"

#include <QRegularExpression>

#include <cmath>

namespace tovra {

namespace {

QString fixed(double value, int decimals, int integerDigits)
{
    QString digits = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype point = decimals > 0 ? digits.indexOf(QLatin1Char('.')) : digits.size();
    if (point < integerDigits)
        digits.prepend(QString(integerDigits - point, QLatin1Char('0')));
    // A value that rounds to zero carries no sign.
    const bool negative = value < 0 && digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString twoDecimalText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0.00");
    const double rounded = QString::number(value, 'g', 4).toDouble();
    if (std::fabs(rounded) >= 10000.0) {
        return QString::number(rounded, 'e', 3).toUpper(); // 1.235E+04
    }
    return fixed(rounded, 2, 1);
}

QString counterText(uint64_t value)
{
    return QStringLiteral("%1").arg(value, 10, 10, QLatin1Char(' '));
}

QString groupedCountText(uint64_t value)
{
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

QString oneDecimalArgument(double value)
{
    return fixed(value, 1, 1);
}

QString twoDecimalArgument(double value)
{
    return fixed(value, 2, 2);
}

QString sevenDecimalArgument(double value)
{
    return fixed(value, 7, 1);
}

QString integerArgument(double value)
{
    return QString::number(qint64(std::nearbyint(value)));
}

} // namespace tovra
