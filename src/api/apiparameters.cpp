#include "apiparameters.h"

#include "laserstate.h"
#include "parametertable.h"

namespace tovra {

namespace {

const Parameter *findNamed(const LaserState &state, const QString &name)
{
    for (const Parameter &row : parameterTable()) {
        if ((name == row.mnemonic || name == row.name) && hasParameter(state, row))
            return &row;
    }
    return nullptr;
}

} // namespace

QList<ApiParameter> apiParameters(const LaserState &state)
{
    QList<ApiParameter> list;
    for (const Parameter &row : parameterTable()) {
        if (!hasParameter(state, row))
            continue;
        const LimitRange range = currentRange(state, row.setting);
        ApiParameter parameter;
        parameter.name = row.mnemonic;
        parameter.title = row.name;
        parameter.unit = row.unit;
        parameter.value = currentValue(state, row.setting);
        parameter.minimum = range.minimum;
        parameter.maximum = range.maximum;
        parameter.integer = row.whole != nullptr;
        list.append(parameter);
    }
    return list;
}

std::optional<QString> storeParameter(LaserState &state, const QString &name, double value)
{
    const Parameter *row = findNamed(state, name);
    if (!row)
        return std::nullopt;
    storeValue(state, row->setting, value);
    return commandFor(row->setting, value, state);
}

} // namespace tovra
