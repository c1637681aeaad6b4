#pragma once

#include <QString>

class QImage;
class QWidget;

namespace tovra {

class Desktop;

// The picture the Tools menu saves, in the process's current folder; each capture replaces it.
inline const QString ScreenShotFileName = QStringLiteral("Tovra_ScreenShot.jpg");

// What the screen shows in the rectangle of window's outer frame, title bar and borders
// included: a window lying over it is in the picture, a hidden part of the window is not. The
// image is always as large as the frame; a part of the frame beyond the screen is black.
QImage grabWindowFrame(const QWidget *window);

// The window as the operator means it: its own contents, as it paints them, inside the frame the
// screen shows (title bar and borders). A menu that is closing, or another window lying over the
// window's contents, is never in it.
QImage grabWindowPicture(QWidget *window);

// Saves grabWindowPicture(window) as a baseline colour JPEG of quality 90, replacing path once the
// whole picture is written. On failure returns false and sets error, if given, to a message
// naming the file and the reason.
bool captureWindowToJpeg(QWidget *window, const QString &path, QString *error = nullptr);

// "Capture Screen Shot": captures window into ScreenShotFileName in the current folder. A failure
// is shown as a message with its reason. Returns the file's full path, or nothing when it was not
// written.
QString saveScreenShot(QWidget *window, Desktop &desktop);

} // namespace tovra
