#include "apibackend.h"

#include <cmath>

namespace tovra {

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

QJsonObject ApiParameter::toJson() const
{
    QJsonObject object{{QStringLiteral("name"), name},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("unit"), unit},
                       {QStringLiteral("value"), value},
                       {QStringLiteral("integer"), integer}};
    if (minimum)
        object.insert(QStringLiteral("min"), *minimum);
    if (maximum)
        object.insert(QStringLiteral("max"), *maximum);
    return object;
}

bool ApiParameter::accepts(double candidate, QString *allowed) const
{
    const bool whole = !integer || candidate == std::floor(candidate);
    const bool inRange = std::isfinite(candidate) && (!minimum || candidate >= *minimum) && (!maximum || candidate <= *maximum);
    if (whole && inRange)
        return true;
    const QString kind = integer ? QStringLiteral("a whole number") : QStringLiteral("a number");
    const QString unitText = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    if (minimum && maximum)
        *allowed = kind + QStringLiteral(" from ") + number(*minimum) + QStringLiteral(" to ") + number(*maximum) + unitText;
    else if (minimum)
        *allowed = kind + QStringLiteral(" from ") + number(*minimum) + unitText;
    else if (maximum)
        *allowed = kind + QStringLiteral(" up to ") + number(*maximum) + unitText;
    else
        *allowed = kind;
    return false;
}

} // namespace tovra
