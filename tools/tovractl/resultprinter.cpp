#include "resultprinter.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString scalar(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 10);
    if (value.isNull())
        return QStringLiteral("-");
    return QString::fromUtf8(QJsonDocument::fromVariant(value.toVariant()).toJson(QJsonDocument::Compact));
}

void addLines(const QString &prefix, const QJsonValue &value, QString *lines)
{
    const QJsonObject object = value.toObject();
    // A measurement or a parameter: its value with its unit on one line.
    if (value.isObject() && object.contains(QLatin1String("value"))) {
        const QString unit = object.value(QLatin1String("unit")).toString();
        *lines += prefix + QStringLiteral(": ") + scalar(object.value(QLatin1String("value")))
                  + (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit) + QLatin1Char('\n');
        return;
    }
    if (value.isObject()) {
        for (auto it = object.begin(); it != object.end(); ++it)
            addLines(prefix.isEmpty() ? it.key() : prefix + QLatin1Char('.') + it.key(), it.value(), lines);
        return;
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString name = array[i].toObject().value(QLatin1String("name")).toString();
            addLines(prefix + QLatin1Char('.') + (name.isEmpty() ? QString::number(i) : name), array[i], lines);
        }
        return;
    }
    *lines += prefix + QStringLiteral(": ") + scalar(value) + QLatin1Char('\n');
}

} // namespace

QString readableLines(const QJsonObject &object)
{
    QString lines;
    addLines(QString(), object, &lines);
    return lines;
}

QString jsonLine(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}
