#include "abouttext.h"

#include "laserstate.h"

#include <QStringList>

namespace tovra {

QString companyName(const QString &manufacturerCode)
{
    return manufacturerCode == QLatin1String("RZ") ? QStringLiteral("Marovane") : QStringLiteral("Unknown");
}

QString aboutText(const LaserState &state, const QString &fileVersion)
{
    const QStringList lines = {
        QStringLiteral("Tovra Laser Application"),
        QStringLiteral("Company: ") + companyName(state.manufacturerCode),
        QStringLiteral("Model Number: ") + state.modelName,
        QStringLiteral("Serial Number: ") + QString::number(state.serialNumber),
        QStringLiteral("Firmware Version: ") + state.firmwareVersion,
        QStringLiteral("FPGA Version: ") + state.fpgaVersion,
        QStringLiteral("Software Version: ") + fileVersion,
    };
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace tovra
