#include "versioninfo.h"

#include <QFile>

namespace tovra {

namespace {

constexpr const char *VersionKeys[] = {
    "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMark",   "OriginalFileName", "ProductName", "ProductVersion", "Comments",
};

const QByteArray StringTableSection = QByteArrayLiteral("[StringFileInfo\\040904E4\\]");

} // namespace

TrpVersionInfo::TrpVersionInfo(QObject *owner, const QString &tablePath)
    : QObject(owner)
{
    ReadVersionInfo(tablePath);
}

QString TrpVersionInfo::GetVersionString(TVersionType item) const
{
    return FVersionInfo[size_t(item)];
}

// The table is text: a section header per string table, then "Key=Value" lines. Only the string
// table of language 0409 and code page 04E4 is read.
void TrpVersionInfo::ReadVersionInfo(const QString &tablePath)
{
    QFile table(tablePath);
    if (!table.open(QIODevice::ReadOnly))
        return;
    bool inStringTable = false;
    while (!table.atEnd()) {
        const QByteArray line = table.readLine().trimmed();
        if (line.startsWith('[')) {
            inStringTable = line == StringTableSection;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inStringTable || equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        for (size_t i = 0; i < FVersionInfo.size(); ++i) {
            if (key == VersionKeys[i])
                FVersionInfo[i] = QString::fromLatin1(line.mid(equals + 1));
        }
    }
}

} // namespace tovra
