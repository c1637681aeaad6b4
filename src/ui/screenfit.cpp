#include "screenfit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tovra {

namespace {

// Borders and title bar of a common window manager, for a window not yet framed.
constexpr QSize assumedFrameExtent(8, 31);

bool isFramed(const QWidget *window)
{
    return window->frameGeometry().size() != window->size();
}

QRect outerFrame(const QWidget *window)
{
    if (isFramed(window))
        return window->frameGeometry();
    return QRect(window->pos(), window->size() + assumedFrameExtent);
}

int fittedStart(int start, int length, int areaStart, int areaLength)
{
    // The far edge is pulled in first; the near edge wins when both cannot hold.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

void fitOnScreen(QWidget *window)
{
    const QRect frame = outerFrame(window);
    QScreen *screen = QGuiApplication::screenAt(frame.topLeft());
    if (!screen)
        screen = window->screen();
    if (!screen)
        return;
    const QPoint place = fittedFramePosition(frame, screen->availableGeometry());
    if (place != frame.topLeft())
        window->move(place); // a top-level window's position is that of its outer frame
}

class ScreenFit : public QObject
{
public:
    explicit ScreenFit(QWidget *fitted)
        : QObject(fitted), window(fitted)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
            fitOnScreen(window);
            break;
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            // The window system tells the frame's size without an event of its own; one of
            // these follows once the window is framed and on screen.
            if (!framed && isFramed(window)) {
                framed = true;
                fitOnScreen(window);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget *const window;
    bool framed = false;
};

} // namespace

QPoint fittedFramePosition(const QRect &frame, const QRect &available)
{
    return QPoint(fittedStart(frame.x(), frame.width(), available.x(), available.width()),
                  fittedStart(frame.y(), frame.height(), available.y(), available.height()));
}

void keepFrameOnScreen(QWidget *window)
{
    window->installEventFilter(new ScreenFit(window));
}

} // namespace tovra
