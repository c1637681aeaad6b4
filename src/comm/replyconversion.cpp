#include "replyconversion.h"

#include <cmath>

namespace tovra {

namespace {

// Trims characters of code 32 or below from both ends; an empty reply stands for 0.
QString numberText(const QString &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("0");
    qsizetype begin = 0;
    qsizetype end = reply.size();
    while (begin < end && reply.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && reply.at(end - 1).unicode() <= 32)
        --end;
    return reply.mid(begin, end - begin);
}

} // namespace

int32_t intFromReply(const QString &reply, bool *ok)
{
    return numberText(reply).toInt(ok, 10);
}

double floatFromReply(const QString &reply, bool *ok)
{
    const double value = numberText(reply).toDouble(ok);
    // "nan" and "inf" are words, not measurements.
    if (*ok && !std::isfinite(value))
        *ok = false;
    return value;
}

uint32_t countFromReply(const QString &reply, bool *ok)
{
    return uint32_t(quint64(numberText(reply).toLongLong(ok, 10)) & 0xFFFFFFFFu);
}

} // namespace tovra
