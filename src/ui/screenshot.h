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

// Saves grabWindowFrame(window) as a baseline colour JPEG of quality 90, replacing path once the
// whole picture is written. On failure returns false and sets error, if given, to a message
// naming the file and the reason.
bool captureWindowToJpeg(const QWidget *window, const QString &path, QString *error = nullptr);

// "Capture Screen Shot": captures window into ScreenShotFileName in the current folder. Nothing
// is shown on success; a failure is shown as a message with its reason. Returns whether the
// file was written.
bool saveScreenShot(const QWidget *window, Desktop &desktop);

} // namespace tovra
