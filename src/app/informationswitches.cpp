#include "informationswitches.h"

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
    return QStringLiteral(
        "Usage: tovra [switch...]\n"
        "Drives a Q-switched pulsed Tovra laser over its serial line.\n"
        "\n"
        "Switches (after - or /, any letter case, each a whole argument):\n"
        "  -log        record every line exchanged in TovraLogFile_<user>_<start>.txt\n"
        "  -data       record one row of measurements per status poll in\n"
        "              TovraDataFile_<user>_<start>.txt\n"
        "  -demo       demo mode, as holding Left Shift at start\n"
        "  -pickport   choose the port by hand, as holding Right Shift at start\n"
        "\n"
        "  --help      show this text and end\n"
        "  --version   show the program's version and end\n"
        "\n"
        "Environment:\n"
        "  TOVRA_PORT_PATTERN  a path in which %d stands for the port number; replaces the\n"
        "                      mapping of ports 1 to 100 to /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*\n"
        "\n"
        "SIGINT and SIGTERM end the program as File > Exit does: \"FL 0\" stops the laser.\n");
}

} // namespace tovra
