#include "programtimings.h"

#include <QStringList>
#include <QtGlobal>

namespace tovra {

ProgramTimings ProgramTimings::fromText(const QString &text)
{
    ProgramTimings timings;
    const struct
    {
        const char *name;
        ms ProgramTimings::*member;
    } names[] = {
        {"responseTime", &ProgramTimings::responseTime},
        {"scanResponseTime", &ProgramTimings::scanResponseTime},
        {"scanPause", &ProgramTimings::scanPause},
        {"statusPollInterval", &ProgramTimings::statusPollInterval},
        {"restartPause", &ProgramTimings::restartPause},
        {"taskTick", &ProgramTimings::taskTick},
        {"exitReplyTime", &ProgramTimings::exitReplyTime},
        {"stopRetry", &ProgramTimings::stopRetry},
    };
    for (const QString &pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = pair.section(QLatin1Char('='), 0, 0).trimmed();
        bool isNumber = false;
        const int value = pair.section(QLatin1Char('='), 1).trimmed().toInt(&isNumber);
        bool known = false;
        for (const auto &entry : names) {
            if (name == QLatin1String(entry.name) && isNumber && value >= 0) {
                timings.*entry.member = ms(value);
                known = true;
            }
        }
        if (!known)
            qWarning("TOVRA_TEST_TIMINGS: ignored \"%s\"", qUtf8Printable(pair));
    }
    return timings;
}

ProgramTimings ProgramTimings::fromEnvironment()
{
    return fromText(qEnvironmentVariable("TOVRA_TEST_TIMINGS"));
}

} // namespace tovra
