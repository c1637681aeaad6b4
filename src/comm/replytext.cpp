#include "replytext.h"

#include <cmath>

namespace tovra {

namespace {

bool isControlCharacter(char16_t c)
{
    return c < 32 || (c >= 127 && c < 160);
}

} // namespace

QString trimmedReply(const QString &reply)
{
    qsizetype begin = 0;
    qsizetype end = reply.size();
    while (begin < end && reply.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && reply.at(end - 1).unicode() <= 32)
        --end;
    return reply.mid(begin, end - begin);
}

std::optional<int32_t> replyAsInt(const QString &reply)
{
    bool ok = false;
    const int32_t value = trimmedReply(reply).toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

std::optional<uint64_t> replyAsCount(const QString &reply)
{
    const QString text = trimmedReply(reply);
    bool ok = false;
    // Only a zero may carry a minus sign; the unsigned reading alone would take "-5" for a
    // huge count.
    if (text.startsWith(QLatin1Char('-')))
        return text.toLongLong(&ok, 10) == 0 && ok ? std::optional<uint64_t>(0) : std::nullopt;
    const qulonglong value = text.toULongLong(&ok, 10);
    return ok ? std::optional<uint64_t>(value) : std::nullopt;
}

std::optional<double> replyAsDecimal(const QString &reply)
{
    bool ok = false;
    const double value = trimmedReply(reply).toDouble(&ok);
    // "nan" and "inf" are words, not measurements.
    if (!ok || !std::isfinite(value) || std::fabs(value) > PlausibleDecimalLimit)
        return std::nullopt;
    return value;
}

QString escapeControlCharacters(const QString &text)
{
    qsizetype first = 0;
    while (first < text.size() && !isControlCharacter(text.at(first).unicode()))
        ++first;
    if (first == text.size())
        return text;

    QString escaped = text.left(first);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!isControlCharacter(c))
            escaped.append(QChar(c));
        else if (c == u'\r')
            escaped.append(QLatin1String("\\r"));
        else if (c == u'\n')
            escaped.append(QLatin1String("\\n"));
        else if (c == u'\t')
            escaped.append(QLatin1String("\\t"));
        else
            escaped.append(QLatin1String("\\x") + QString::number(c, 16).rightJustified(2, QLatin1Char('0')));
    }
    return escaped;
}

} // namespace tovra
