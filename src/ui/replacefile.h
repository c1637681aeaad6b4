#pragma once

#include <QByteArray>
#include <QString>

namespace tovra {

// Writes contents to path, replacing an existing file only once everything is written, so a
// failure never leaves a half-written file behind. The file is written under a new name beside
// it and renamed over the path; what is there is replaced only when it is a regular file of this
// user with one name (never a symbolic link, never followed), as the record files are opened. On failure returns false and, if error is
// given, sets it to a message naming the file and the reason.
bool replaceFile(const QString &path, const QByteArray &contents, QString *error = nullptr);

} // namespace tovra
