#include "scriptline.h"

#include "parametertable.h"

#include <QStringList>

#include <cmath>

namespace tovra {

namespace {

std::optional<double> numberOf(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// What the laser says when it did not take a command.
bool refusedByLaser(const QString &reply)
{
    return reply.isEmpty() || reply == QLatin1String("?") || reply.startsWith(QLatin1String("ERR"));
}

QString withoutControlCharacters(const QString &line)
{
    QString text;
    text.reserve(line.size());
    for (const QChar c : line) {
        if (c.unicode() >= 32 && c.unicode() != 127)
            text.append(c);
    }
    return text;
}

} // namespace

ScriptLine ScriptLine::read(const QString &line)
{
    QString body = withoutControlCharacters(line);
    qsizetype start = 0;
    while (start < body.size() && body.at(start) == QLatin1Char(' '))
        ++start;
    body.remove(0, start);
    if (body.startsWith(QLatin1Char(';'))) {
        const qsizetype colon = body.indexOf(QLatin1Char(':'));
        body.remove(0, colon < 0 ? body.size() : colon + 1);
    }

    ScriptLine read;
    const QString trimmed = body.trimmed();
    if (trimmed.endsWith(QLatin1Char('?'))) {
        read.isQuery = true;
        read.mnemonic = trimmed.chopped(1).toUpper();
        return read;
    }
    const qsizetype blank = body.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        read.isQuery = true;
        read.mnemonic = body.toUpper();
    } else {
        read.mnemonic = body.left(blank).toUpper();
        read.argument = body.mid(blank + 1).trimmed();
    }
    return read;
}

LineKind classifyLine(const QString &line)
{
    const ScriptLine read = ScriptLine::read(line);
    if (read.isQuery || (read.mnemonic != QLatin1String("FL") && read.mnemonic != QLatin1String("EN")))
        return LineKind::Other;
    return numberOf(*read.argument) == 0.0 ? LineKind::Stop : LineKind::FiringOrEnabling;
}

std::optional<ScriptSetting> settingOf(const QString &line)
{
    const ScriptLine read = ScriptLine::read(line);
    if (read.isQuery || !isParameterMnemonic(read.mnemonic))
        return std::nullopt;
    const std::optional<double> value = numberOf(*read.argument);
    if (!value)
        return std::nullopt;
    return ScriptSetting{read.mnemonic == QLatin1String("AT:AP") ? QStringLiteral("AT") : read.mnemonic, *value};
}

std::optional<ScriptSetting> settingTakenBy(const QString &line, const QString &reply)
{
    if (refusedByLaser(reply))
        return std::nullopt;
    return settingOf(line);
}

} // namespace tovra
