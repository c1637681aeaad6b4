#include "informationswitches.h"

#include "switchtable.h"
#include "versioninfo.h"

#include <QTextStream>

namespace tovra {

bool InformationSwitches::answer(const QStringList &arguments, QTextStream &out)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String(Version)) {
            out << versionText();
            return true;
        }
        if (argument == QLatin1String(Help)) {
            out << helpText();
            return true;
        }
    }
    return false;
}

QString InformationSwitches::versionText()
{
    const TrpVersionInfo versionInfo;
    return versionInfo.ProductName() + QLatin1Char(' ') + versionInfo.FileVersion() + QLatin1Char('\n');
}

QString InformationSwitches::helpText()
{
    return switchHelpText();
}

} // namespace tovra
