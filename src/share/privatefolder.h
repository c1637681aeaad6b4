#pragma once

#include <QString>

namespace tovra {

// The program's folder in the user's runtime folder: `$XDG_RUNTIME_DIR/tovra/<name>` (Qt's
// runtime location when the variable is not set). The shared port's link and the control API's
// socket live there.
QString runtimePath(const QString &name);

// Opens the folder `name` (made with mode 0700 when missing) and returns its descriptor, or -1
// with `error` naming the folder when it cannot be used: a folder another user may write to
// could have a link or a socket of ours swapped for theirs, so it must belong to this user alone
// (owner, mode 0700). The caller closes the descriptor.
int openPrivateFolder(const QString &name, QString *error);

} // namespace tovra
