#include "startswitches.h"

namespace tovra {

bool hasSwitch(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        if (argument.size() < 2)
            continue;
        const QChar lead = argument.at(0);
        if ((lead == QLatin1Char('-') || lead == QLatin1Char('/'))
            && QStringView(argument).mid(1).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

StartSwitches StartSwitches::fromArguments(const QStringList &arguments)
{
    StartSwitches switches;
    switches.log = hasSwitch(arguments, QStringLiteral("log"));
    switches.data = hasSwitch(arguments, QStringLiteral("data"));
    switches.demo = hasSwitch(arguments, QStringLiteral("demo"));
    switches.pickPort = hasSwitch(arguments, QStringLiteral("pickport"));
    switches.share = hasSwitch(arguments, QStringLiteral("share"));
    return switches;
}

} // namespace tovra
