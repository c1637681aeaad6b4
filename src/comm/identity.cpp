#include "identity.h"

#include "laserstate.h"

namespace tovra {

namespace {

// Removes the trailing blanks and control characters (codes below 33); leading ones stay.
QString trimmedRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).unicode() < 33)
        --end;
    return text.left(end);
}

// Cuts `rest` at the first `separator`: returns the text before it and keeps the text after it
// in `rest`. Without a separator the field is empty and `rest` stays whole.
QString cutField(QString &rest, QChar separator)
{
    const qsizetype at = rest.indexOf(separator);
    if (at < 0)
        return QString();
    const QString field = rest.left(at);
    rest = rest.mid(at + 1);
    return field;
}

} // namespace

bool isAcceptedModelName(const QString &modelName)
{
    for (const char *name : AcceptedModelNames) {
        if (modelName == QLatin1String(name))
            return true;
    }
    return false;
}

void parseIdentityReply(const QString &reply, LaserState &state)
{
    if (reply.size() <= 10) {
        state.manufacturerCode.clear();
        state.modelName.clear();
        state.firmwareVersion.clear();
        state.fpgaVersion.clear();
        state.serialNumber = 0;
        return;
    }

    QString rest = reply;
    state.manufacturerCode = trimmedRight(cutField(rest, QLatin1Char(',')));
    state.modelName = trimmedRight(cutField(rest, QLatin1Char(',')));

    bool isNumber = false;
    const int serial = trimmedRight(cutField(rest, QLatin1Char(','))).toInt(&isNumber);
    if (!isNumber)
        return;
    state.serialNumber = serial;

    const QString &model = state.modelName;
    if (model == QLatin1String("Tovra")) {
        state.isStandardModel = true;
        state.isMicroModel = false;
        state.isMiniModel = false;
        state.firmwareVersion = trimmedRight(cutField(rest, QLatin1Char('-')));
        state.fpgaVersion = rest;
    } else if (model == QLatin1String("uTovra") || model == QLatin1String("MicroTovra")) {
        state.isStandardModel = false;
        state.isMicroModel = true;
        state.isMiniModel = false;
        state.firmwareVersion = rest;
    } else if (model == QLatin1String("miniTovra") || model == QLatin1String("MiniTovra")) {
        state.isStandardModel = false;
        state.isMicroModel = false;
        state.isMiniModel = true;
        state.firmwareVersion = rest;
    }
}

} // namespace tovra
