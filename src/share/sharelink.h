#pragma once

#include <QString>

namespace tovra {

// The link at which scripts find the shared pty, with its folder and its lock. Others may write
// to the folders above it, so every step works through a descriptor of the link's own folder,
// and that folder is used only when it belongs to this user alone (owner, mode 0700).
//
// The lock file next to the link ("port.lock" for "port") marks the link as this program's: a
// program holds it locked while it serves the link and removes it with the link when it ends. A
// link found at the path is replaced only when a lock file of ours was left there as well and no
// running program holds it (a program that crashed); any other link, of another program or
// another user, and anything that is not a link, is left alone.
class ShareLink
{
public:
    ShareLink() = default;
    ~ShareLink();
    ShareLink(const ShareLink &) = delete;
    ShareLink &operator=(const ShareLink &) = delete;

    // Links `path` to `device`. False with `error` set, naming the folder or the path, when the
    // folder is not this user's alone, another program serves the path or something not ours is
    // there.
    bool create(const QString &path, const QString &device, QString *error);
    // Removes the link (when it still leads to our device) and the lock file.
    void remove();
    QString path() const { return linkPath; }

private:
    bool openFolder(const QString &folder, QString *error);
    bool takeLock(QString *error);
    bool placeLink(QString *error);

    int folder = -1;
    int lock = -1;
    bool lockLeftBefore = false; // the lock file was there already: a link beside it is ours
    QString linkPath;
    QByteArray linkName; // inside the folder
    QByteArray lockName;
    QByteArray target;
};

} // namespace tovra
