#include "csvexport.h"

#include "trendsource.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>
#include <QTimeZone>

#include <limits>

namespace tovra {

namespace {

QString number(double value)
{
    return HistorySample::isAbsent(value) ? QString() : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The local clock's offset from UTC at a moment. It changes only at the zone's transitions, so
// it is looked up once per stretch between two of them, not for every row (the C library looks
// at /etc/localtime on every conversion).
class LocalOffset
{
public:
    int at(qint64 utcMs)
    {
        if (utcMs < validFromMs || utcMs >= validUntilMs)
            lookUp(utcMs);
        return offsetSeconds;
    }

private:
    void lookUp(qint64 utcMs)
    {
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
        offsetSeconds = zone.offsetFromUtc(moment);
        const QTimeZone::OffsetData next = zone.nextTransition(moment);
        const QTimeZone::OffsetData previous = zone.previousTransition(moment.addMSecs(1));
        validFromMs = previous.atUtc.isValid() ? previous.atUtc.toMSecsSinceEpoch() : utcMs;
        validUntilMs = next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    }

    const QTimeZone zone = QTimeZone::systemTimeZone();
    qint64 validFromMs = 1;
    qint64 validUntilMs = 0;
    int offsetSeconds = 0;
};

} // namespace

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString exportCsv(TrendSource &source, const CsvExportRequest &request)
{
    QSaveFile file(request.fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const LaserIdentity laser = source.identity();
    QString header = QStringLiteral("# Tovra Laser Control history\n");
    header += QStringLiteral("# Model: ") + csvField(laser.model) + QLatin1Char('\n');
    header += QStringLiteral("# Serial number: ") + QString::number(laser.serialNumber) + QLatin1Char('\n');
    header += QStringLiteral("# Firmware: ") + csvField(laser.firmware) + QLatin1Char('\n');
    header += QStringLiteral("# Program version: ") + request.programVersion + QLatin1Char('\n');
    header += QStringLiteral("UTC time,Local time");
    for (Channel channel : request.channels)
        header += QLatin1Char(',') + csvField(captionWithUnit(channel));
    header += QLatin1Char('\n');
    file.write(header.toUtf8());

    QByteArray rows;
    LocalOffset localOffset;
    source.forEachSample(request.fromMs, request.toMs, [&](const HistorySample &sample) {
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(sample.utcMs, Qt::UTC);
        // With its offset, so that a local time of the hour the clocks go back is still one moment.
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(sample.utcMs, Qt::OffsetFromUTC, localOffset.at(sample.utcMs));
        QString row = utc.toString(Qt::ISODateWithMs) + QLatin1Char(',') + local.toString(Qt::ISODateWithMs);
        for (Channel channel : request.channels)
            row += QLatin1Char(',') + number(sample.value(channel));
        row += QLatin1Char('\n');
        rows += row.toUtf8();
        if (rows.size() > 1 << 16) {
            file.write(rows);
            rows.clear();
        }
    });
    file.write(rows);
    if (!file.commit())
        return file.errorString();
    return QString();
}

} // namespace tovra
