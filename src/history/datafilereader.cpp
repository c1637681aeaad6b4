#include "datafilereader.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include <optional>

namespace tovra {

namespace {

const QString Title = QStringLiteral("Tovra Data File ");
constexpr qsizetype LongestLine = 4096;

std::optional<Channel> channelOfColumn(const QString &name)
{
    static const struct
    {
        const char *name;
        Channel channel;
    } Columns[] = {
        {"Bank V", Channel::BankVoltage},           {"FET V", Channel::FetVoltage},
        {"FET Temp", Channel::FetTemperature},      {"Diode I", Channel::DiodeCurrent},
        {"Resonator Temp", Channel::ResonatorTemp}, {"Diode Temp", Channel::DiodeTemp},
        {"Heater 0 Temp", Channel::Heater0Temp},    {"Heater 1 Temp", Channel::Heater1Temp},
        {"Heater 2 Temp", Channel::Heater2Temp},
    };
    for (const auto &column : Columns) {
        if (name.trimmed() == QLatin1String(column.name))
            return column.channel;
    }
    return std::nullopt;
}

// "5:17:00 AM", "17:17:00", "17:17:00.250": the long time formats a data file may hold.
std::optional<QTime> timeOfDay(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{2}):(\\d{2})(?:[.,](\\d{1,3}))?\\s*([AaPp][Mm])?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const QString half = match.captured(5).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QTime time(hour, match.captured(2).toInt(), match.captured(3).toInt(),
                     match.captured(4).isEmpty() ? 0 : match.captured(4).leftJustified(3, QLatin1Char('0')).toInt());
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

// The short date of the first line, in this machine's short date format (the file was written
// with it), else as three numbers in that format's order of day, month and year; a two-digit year
// is of this century.
std::optional<QDate> startDate(const QString &text)
{
    const QDate inFormat = QLocale::system().toDate(text.trimmed(), QLocale::ShortFormat);
    if (inFormat.isValid())
        return inFormat.year() < 2000 ? inFormat.addYears(100) : inFormat;
    static const QRegularExpression numbers(QStringLiteral("^\\s*(\\d{1,4})\\D+(\\d{1,2})\\D+(\\d{1,4})\\s*$"));
    const QRegularExpressionMatch match = numbers.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    const qsizetype y = format.indexOf(QLatin1Char('y'));
    const qsizetype m = format.indexOf(QLatin1Char('M'));
    const qsizetype d = format.indexOf(QLatin1Char('d'));
    // Each part's place among the three is how many of the others stand before it.
    const auto place = [](qsizetype self, qsizetype a, qsizetype b) { return 1 + int(a < self) + int(b < self); };
    int year = match.captured(place(y, m, d)).toInt();
    if (year < 100)
        year += 2000;
    const QDate date(year, match.captured(place(m, y, d)).toInt(), match.captured(place(d, y, m)).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QString counted(int count, const char *one, const char *many)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

QString DataFileContents::note() const
{
    if (!error.isEmpty())
        return error;
    QStringList parts = {counted(rowsRead, "row", "rows")};
    QStringList skipped;
    if (truncatedRows > 0)
        skipped << counted(truncatedRows, "truncated row", "truncated rows");
    if (garbageLines > 0)
        skipped << counted(garbageLines, "garbage line", "garbage lines");
    if (!skipped.isEmpty())
        parts << skipped.join(QStringLiteral(" and ")) + QStringLiteral(" skipped");
    if (unreadValues > 0)
        parts << counted(unreadValues, "unread value", "unread values") + QStringLiteral(" left out");
    return parts.join(QStringLiteral("; "));
}

DataFileContents readDataFile(const QString &fileName)
{
    DataFileContents contents;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.error = QStringLiteral("%1 cannot be read: %2").arg(fileName, file.errorString());
        return contents;
    }
    const QString first = QString::fromLatin1(file.readLine(LongestLine)).trimmed();
    const qsizetype comma = first.indexOf(QLatin1Char(','));
    const std::optional<QDate> date = comma > 0 ? startDate(first.mid(Title.size(), comma - Title.size())) : std::nullopt;
    const std::optional<QTime> started = comma > 0 ? timeOfDay(first.mid(comma + 1)) : std::nullopt;
    if (!first.startsWith(Title) || !date || !started) {
        contents.error = QStringLiteral("%1 is not a data file of this program.").arg(fileName);
        return contents;
    }
    const QStringList names = QString::fromLatin1(file.readLine(LongestLine)).trimmed().split(QLatin1Char(','));
    QList<std::optional<Channel>> columns;
    for (const QString &name : names.mid(1))
        columns << channelOfColumn(name);

    QDateTime day(*date, QTime(0, 0));
    QTime previous = *started;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine(LongestLine)).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        const std::optional<QTime> time = timeOfDay(fields.first());
        if (!time) {
            ++contents.garbageLines;
            continue;
        }
        if (fields.size() != names.size()) {
            ++contents.truncatedRows;
            continue;
        }
        HistorySample sample;
        int unread = 0;
        bool numbers = true;
        for (qsizetype i = 0; i < columns.size() && numbers; ++i) {
            const QString field = fields[i + 1].trimmed();
            if (field.isEmpty()) {
                ++unread;
                continue;
            }
            const double value = QLocale::c().toDouble(field, &numbers);
            if (numbers && columns[i])
                sample.set(*columns[i], value);
        }
        if (!numbers) {
            ++contents.garbageLines;
            continue;
        }
        if (*time < previous)
            day = day.addDays(1);
        previous = *time;
        sample.utcMs = QDateTime(day.date(), *time).toMSecsSinceEpoch();
        contents.unreadValues += unread;
        ++contents.rowsRead;
        contents.samples.append(sample);
    }
    return contents;
}

} // namespace tovra
