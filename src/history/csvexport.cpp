#include "csvexport.h"

#include "trendsource.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>

namespace tovra {

namespace {

QString number(double value)
{
    return HistorySample::isAbsent(value) ? QString() : QString::number(value, 'g', QLocale::FloatingPointShortest);
}

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
    source.forEachSample(request.fromMs, request.toMs, [&](const HistorySample &sample) {
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(sample.utcMs, Qt::UTC);
        const QDateTime local = utc.toLocalTime();
        // With its offset, so that a local time of the hour the clocks go back is still one moment.
        QString row = utc.toString(Qt::ISODateWithMs) + QLatin1Char(',')
            + local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
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
