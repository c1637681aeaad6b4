#include "replacefile.h"

#include <QDir>
#include <QSaveFile>

namespace tovra {

namespace {

bool fail(QString *error, const QString &action, const QString &path, const QString &reason)
{
    if (error)
        *error = QStringLiteral("Cannot %1 file \"%2\". %3").arg(action, QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace

bool replaceFile(const QString &path, const QByteArray &contents, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("create"), path, file.errorString());
    // A failed write makes the commit fail and discard the temporary file.
    file.write(contents);
    if (!file.commit())
        return fail(error, QStringLiteral("write"), path, file.errorString());
    return true;
}

} // namespace tovra
