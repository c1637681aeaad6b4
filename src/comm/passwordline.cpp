#include "passwordline.h"

namespace tovra {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.unicode() == 127;
}

// Where the mnemonic starts: after leading blanks and control characters and an address
// (";LA:", ";LC:", any ";..:").
qsizetype mnemonicStart(const QString &line)
{
    qsizetype at = 0;
    while (at < line.size() && isBlank(line.at(at)))
        ++at;
    if (at < line.size() && line.at(at) == QLatin1Char(';')) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'), at);
        if (colon >= 0)
            at = colon + 1;
    }
    while (at < line.size() && isBlank(line.at(at)))
        ++at;
    return at;
}

} // namespace

QString withPasswordHidden(const QString &line)
{
    const qsizetype start = mnemonicStart(line);
    const bool passwordLine = line.mid(start, 2).compare(QLatin1String("PW"), Qt::CaseInsensitive) == 0
                              && start + 2 < line.size() && isBlank(line.at(start + 2));
    if (!passwordLine)
        return line;
    return line.left(start + 2) + QStringLiteral(" ****");
}

} // namespace tovra
