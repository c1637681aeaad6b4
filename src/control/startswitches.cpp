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

QString switchValue(const QStringList &arguments, const QString &name)
{
    const QString prefix = name + QLatin1Char('=');
    for (const QString &argument : arguments) {
        if (argument.size() < 2)
            continue;
        const QChar lead = argument.at(0);
        if ((lead == QLatin1Char('-') || lead == QLatin1Char('/'))
            && QStringView(argument).mid(1).startsWith(prefix, Qt::CaseInsensitive))
            return argument.mid(1 + prefix.size());
    }
    return QString();
}

StartSwitches StartSwitches::fromArguments(const QStringList &arguments)
{
    StartSwitches switches;
    switches.log = hasSwitch(arguments, QStringLiteral("log"));
    switches.data = hasSwitch(arguments, QStringLiteral("data"));
    switches.demo = hasSwitch(arguments, QStringLiteral("demo"));
    switches.pickPort = hasSwitch(arguments, QStringLiteral("pickport"));
    switches.share = hasSwitch(arguments, QStringLiteral("share"));
    switches.headless = hasSwitch(arguments, QStringLiteral("headless"));
    switches.remoteFiring = hasSwitch(arguments, QStringLiteral("remotefiring"));
    // A port outside 1 to 100 counts as not given: the ports are scanned.
    const int port = switchValue(arguments, QStringLiteral("port")).toInt();
    switches.port = port >= 1 && port <= 100 ? port : 0;
    switches.apiTcp = switchValue(arguments, QStringLiteral("api"));
    return switches;
}

} // namespace tovra
