#pragma once

#include <QWidget>

class QLabel;

namespace tovra {

// Says, in the window's menu bar, that scripts may fire the laser: shown only while the operator
// allows remote firing. The text can be selected and the path copied with its button, so the
// operator can hand it to a script.
class RemoteFiringBanner : public QWidget
{
    Q_OBJECT
public:
    explicit RemoteFiringBanner(QWidget *parent = nullptr);

    // Shows the banner for scripts at `path`; an empty path hides it.
    void showFor(const QString &path);
    QString text() const;
    QString path() const { return sharedPath; }
    // Puts the path on the clipboard.
    void copyPath() const;

private:
    QLabel *label = nullptr;
    QString sharedPath;
};

} // namespace tovra
