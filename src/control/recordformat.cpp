#include "recordformat.h"

#include "laserstate.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <utility>

namespace tovra {

namespace {

constexpr int SignificantDigits = 15;

QString withoutTrailingZeros(QString number)
{
    if (!number.contains(QLatin1Char('.')))
        return number;
    while (number.endsWith(QLatin1Char('0')))
        number.chop(1);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    return number;
}

QString scientific(double value)
{
    const QString text = QString::number(value, 'e', SignificantDigits - 1);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    return withoutTrailingZeros(text.left(e)) + QLatin1Char('E') + QString::number(text.mid(e + 1).toInt());
}

QString timeFormatWithoutZone(const QLocale &locale, QLocale::FormatType type)
{
    QString format = locale.timeFormat(type);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return format.remove(zone).trimmed();
}

// The records are 8-bit text. A locale's own digits (Arabic-Indic, Persian, Devanagari...) become
// Latin digits and its direction marks go; a text that still holds characters beyond 8 bits (an
// AM/PM marker in another script) is not written in the user's form at all: `fallback`, the C
// locale's form, is.
QString eightBitText(const QString &usersForm, const QString &fallback)
{
    QString text;
    text.reserve(usersForm.size());
    for (const QChar c : usersForm) {
        if (c.category() == QChar::Other_Format)
            continue;
        text.append(c.isDigit() ? QChar(u'0' + c.digitValue()) : c);
    }
    for (const QChar c : std::as_const(text)) {
        if (c.unicode() > 0xff)
            return fallback;
    }
    return text;
}

bool isSmallFamily(const LaserState &state)
{
    return state.isMicroModel || state.isMiniModel;
}

} // namespace

QString formatGeneral(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    if (magnitude < 1e-5 || magnitude >= 1e15)
        return scientific(value);
    const int integerDigits = int(std::floor(std::log10(magnitude))) + 1;
    const int decimals = std::max(0, SignificantDigits - integerDigits);
    const QString fixed = withoutTrailingZeros(QString::number(value, 'f', decimals));
    // Rounding may carry into a sixteenth integer digit (999999999999999.9 and the like).
    return fixed.size() - (value < 0 ? 1 : 0) > SignificantDigits && !fixed.contains(QLatin1Char('.'))
        ? scientific(value)
        : fixed;
}

QString longTimeText(const QTime &time, const QLocale &locale)
{
    const QLocale c = QLocale::c();
    return eightBitText(locale.toString(time, timeFormatWithoutZone(locale, QLocale::LongFormat)),
                        c.toString(time, timeFormatWithoutZone(c, QLocale::LongFormat)));
}

QString fileHeaderLine(const QString &title, const QDateTime &when, const QLocale &locale)
{
    return title + eightBitText(locale.toString(when.date(), QLocale::ShortFormat),
                                QLocale::c().toString(when.date(), QLocale::ShortFormat))
        + QLatin1Char(',') + longTimeText(when.time(), locale);
}

QString userNameFromEnvironment()
{
    for (const char *variable : {"USERNAME", "USER", "LOGNAME"}) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return qEnvironmentVariable(variable);
    }
    return QString();
}

QString userNameForFileName(const QString &userName)
{
    QString safe = userName;
    for (QChar &c : safe) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return safe.replace(QStringLiteral(".."), QStringLiteral("__"));
}

RunStamp runStampNow()
{
    return {userNameFromEnvironment(), QDateTime::currentDateTime().toString(QStringLiteral("MM-dd-yy_hh-mm-ss"))};
}

QString logFileNameFor(const RunStamp &run)
{
    return QStringLiteral("TovraLogFile_") + userNameForFileName(run.userName) + QLatin1Char('_') + run.startStamp
        + QStringLiteral(".txt");
}

QString dataFileNameFor(const RunStamp &run)
{
    return QStringLiteral("TovraDataFile_") + userNameForFileName(run.userName) + QLatin1Char('_') + run.startStamp
        + QStringLiteral(".txt");
}

QString dataColumnHeader(const LaserState &state)
{
    return isSmallFamily(state)
        ? QStringLiteral("Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp, Heater 0 Temp")
        : QStringLiteral("Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp,Diode Temp, Heater 1 Temp, Heater 2 Temp");
}

QStringList dataRowValues(const LaserState &state, const QList<Measurement> &unread)
{
    QList<Measurement> measurements = {&LaserState::bankVoltage, &LaserState::fetVoltage,
                                       &LaserState::fetTemperature, &LaserState::diodeCurrentMeasured};
    if (isSmallFamily(state)) {
        measurements << &LaserState::resonatorTemp;
        if (state.hasHeater0 || state.hasHeater1 || state.hasHeater2)
            measurements << &LaserState::heater0Temp;
    } else {
        measurements << &LaserState::resonatorTempA << &LaserState::resonatorTempB;
        if (state.hasHeater0)
            measurements << &LaserState::heater0Temp;
        else if (state.hasHeater2)
            measurements << &LaserState::heater1Temp << &LaserState::heater2Temp;
        else if (state.hasHeater1)
            measurements << &LaserState::heater1Temp;
    }
    QStringList fields;
    for (Measurement measurement : measurements)
        fields.append(unread.contains(measurement) ? QString() : formatGeneral(state.*measurement));
    return fields;
}

} // namespace tovra
