#include "screenshot.h"

#include "desktop.h"
#include "jpegwriter.h"

#include <QFileInfo>
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

QImage grabWindowPicture(QWidget *window)
{
    QImage picture = grabWindowFrame(window);
    QPainter painter(&picture);
    // A part beyond the screen stays black, as the frame's does.
    const QRect frame = window->frameGeometry();
    painter.setClipRect((frame & window->screen()->geometry()).translated(-frame.topLeft()));
    painter.drawPixmap(window->geometry().topLeft() - window->frameGeometry().topLeft(), window->grab());
    return picture;
}

bool captureWindowToJpeg(QWidget *window, const QString &path, QString *error)
{
    return writeJpeg(grabWindowPicture(window), path, screenShotQuality, error);
}

QString saveScreenShot(QWidget *window, Desktop &desktop)
{
    QString error;
    if (captureWindowToJpeg(window, ScreenShotFileName, &error))
        return QFileInfo(ScreenShotFileName).absoluteFilePath();
    desktop.message(error);
    return QString();
}

} // namespace tovra
