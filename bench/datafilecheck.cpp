#include "datafilecheck.h"

#include "lasermodel.h"
#include "recordformat.h"

#include <QFile>
#include <QSet>

#include <cmath>

namespace tovra::bench {

namespace {

constexpr int headerLines = 2; // the title with its date, then the column names

QByteArray trimmedControl(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && uchar(text.at(begin)) <= 32)
        ++begin;
    while (end > begin && uchar(text.at(end - 1)) <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// Every number the laser wrote as a line of its own within `bytes`, in the data file's format.
void addNumbersIn(const QByteArray &bytes, QSet<QString> &numbers)
{
    QByteArray lines = bytes;
    lines.replace('\n', '\r');
    for (const QByteArray &line : lines.split('\r')) {
        bool ok = false;
        const double value = trimmedControl(line).toDouble(&ok);
        if (ok && std::isfinite(value))
            numbers.insert(formatGeneral(value));
    }
}

// For each query: the numbers the laser wrote after it, up to the next request.
QMap<QByteArray, QSet<QString>> numbersSentFor(const QList<QByteArray> &queries, const QList<TrafficLine> &traffic)
{
    QMap<QByteArray, QSet<QString>> sent;
    for (qsizetype at = 0; at < traffic.size(); ++at) {
        const TrafficLine &request = traffic.at(at);
        if (!request.received || !queries.contains(request.bytes))
            continue;
        QByteArray written;
        for (qsizetype next = at + 1; next < traffic.size() && !traffic.at(next).received; ++next)
            written += traffic.at(next).bytes;
        addNumbersIn(written, sent[request.bytes]);
    }
    return sent;
}

// The query whose distinct range holds `value`: its answers lie in [offset, offset + 1000).
QString distinctSourceOf(double value)
{
    for (const auto &[query, offset] : sim::distinctReadingOffsets) {
        if (value >= offset && value < offset + 1000)
            return QString::fromLatin1(query);
    }
    return QStringLiteral("none");
}

// ";LA:BV?" -> "BV"
QString queryName(const QByteArray &request)
{
    return QString::fromLatin1(request.mid(4, request.size() - 5));
}

QString summaryOf(const QMap<QString, QMap<QString, int>> &byColumn)
{
    QStringList columnsText;
    for (auto column = byColumn.cbegin(); column != byColumn.cend(); ++column) {
        QStringList valuesText;
        for (auto value = column.value().cbegin(); value != column.value().cend(); ++value)
            valuesText.append(QStringLiteral("%1 x %2").arg(value.key()).arg(value.value()));
        columnsText.append(column.key() + QStringLiteral(": ") + valuesText.join(QStringLiteral(", ")));
    }
    return columnsText.join(QStringLiteral("; "));
}

int countOf(const QMap<QString, QMap<QString, int>> &byColumn)
{
    int count = 0;
    for (const QMap<QString, int> &values : byColumn)
        for (int rowsHolding : values)
            count += rowsHolding;
    return count;
}

} // namespace

int DataFileCheck::wrongColumnCount() const
{
    return countOf(wrongColumnValues);
}

QString DataFileCheck::wrongColumnSummary() const
{
    return summaryOf(wrongColumnValues);
}

int DataFileCheck::unsentValueCount() const
{
    return countOf(unsentValues);
}

QString DataFileCheck::unsentSummary() const
{
    return summaryOf(unsentValues);
}

DataFileCheck checkDataFile(const QString &path, const QList<QByteArray> &columnQueries,
                            const QList<TrafficLine> &traffic)
{
    DataFileCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return check;
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < headerLines)
        return check;
    const QStringList names = lines.at(1).split(QLatin1Char(','));
    check.columns = int(names.size());
    const QMap<QByteArray, QSet<QString>> sent = numbersSentFor(columnQueries, traffic);

    for (const QString &line : lines.mid(headerLines)) {
        ++check.rows;
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != names.size()) {
            ++check.rowsWithoutTheirColumns;
            continue;
        }
        for (qsizetype column = 0; column < columnQueries.size() && column + 1 < fields.size(); ++column) {
            const QString &value = fields.at(column + 1);
            const QString name = names.at(column + 1).trimmed();
            if (value.isEmpty()) {
                ++check.emptyCells;
                continue;
            }
            if (!sent.value(columnQueries.at(column)).contains(value))
                ++check.unsentValues[name][value];
            const QString source = distinctSourceOf(value.toDouble());
            if (source != queryName(columnQueries.at(column)))
                ++check.wrongColumnValues[name][source];
        }
    }
    return check;
}

} // namespace tovra::bench
