#include "screenshot.h"

#include "desktop.h"
#include "jpegwriter.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace tovra {

namespace {

constexpr int screenShotQuality = 90;

} // namespace

QImage grabWindowFrame(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    QImage picture(frame.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QScreen *screen = window->screen();
    const QRect visible = frame & screen->geometry();
    if (visible.isEmpty())
        return picture;
    // The screen takes positions relative to its own top left corner.
    const QPoint onScreen = visible.topLeft() - screen->geometry().topLeft();
    const QPixmap shown = screen->grabWindow(0, onScreen.x(), onScreen.y(), visible.width(), visible.height());
    QPainter painter(&picture);
    painter.drawPixmap(QRect(visible.topLeft() - frame.topLeft(), visible.size()), shown);
    return picture;
}

bool captureWindowToJpeg(const QWidget *window, const QString &path, QString *error)
{
    return writeJpeg(grabWindowFrame(window), path, screenShotQuality, error);
}

bool saveScreenShot(const QWidget *window, Desktop &desktop)
{
    QString error;
    if (captureWindowToJpeg(window, ScreenShotFileName, &error))
        return true;
    desktop.message(error);
    return false;
}

} // namespace tovra
