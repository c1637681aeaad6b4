#include "screenfit.h"

#include "frameextent.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <utility>

namespace tovra {

namespace {

using namespace std::chrono_literals;

// A window whose contents scroll may be made this small by the operator, no smaller.
constexpr QSize smallestScrollingSize(200, 150);

bool isFramed(const QWidget *window)
{
    return frameReportIsSound(*window) && reportedFrame(*window).size() != window->size();
}

QSize frameExtent(const QWidget *window)
{
    return isFramed(window) ? reportedFrame(*window).size() - window->size() : assumedFrameExtent;
}

QRect outerFrame(const QWidget *window)
{
    return QRect(isFramed(window) ? reportedFrame(*window).topLeft() : window->pos(),
                 window->size() + frameExtent(window));
}

int fittedStart(int start, int length, int areaStart, int areaLength)
{
    // The far edge is pulled in first; the near edge wins when both cannot hold.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

QScreen *screenOf(const QWidget *window)
{
    QScreen *screen = QGuiApplication::screenAt(outerFrame(window).topLeft());
    return screen ? screen : window->screen();
}

void fitOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen)
        return;
    const QRect frame = outerFrame(window);
    const QPoint place = fittedFramePosition(frame, screen->availableGeometry());
    if (place != frame.topLeft())
        moveFrameTo(*window, place);
}

void fitSize(QWidget *window, QSize full)
{
    const QScreen *screen = screenOf(window);
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size() - frameExtent(window);
    const QSize fitted = fittedWindowSize(full, room, window->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (fitted == full) {
        window->setFixedSize(full);
        return;
    }
    window->setMinimumSize(fitted.boundedTo(smallestScrollingSize));
    window->setMaximumSize(fitted.expandedTo(full));
    window->resize(fitted);
}

class ScreenFit : public QObject
{
public:
    explicit ScreenFit(QWidget *fitted)
        : QObject(fitted), window(fitted)
    {
        frameWatch.setInterval(50ms);
        connect(&frameWatch, &QTimer::timeout, this, [this] {
            if (frameWatchEnd.hasExpired())
                frameWatch.stop(); // no window manager frames it
            else
                lookForFrame();
        });
    }

    // An invalid size leaves the window's size alone.
    void setFullSize(QSize size)
    {
        full = size;
        fit();
    }

    void setKeepClear(std::function<QRect()> area, int narrowest)
    {
        keepClear = std::move(area);
        minimumWidth = narrowest;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            fit();
            if (!framed) {
                frameWatchEnd.setRemainingTime(10s);
                frameWatch.start();
            }
            break;
        case QEvent::Resize:
            fitOnScreen(window);
            break;
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            lookForFrame();
            break;
        default:
            break;
        }
        return false;
    }

private:
    // The window system tells the frame's size without an event of its own. A move, a paint or
    // the activation mostly follows the framing, but not always: a window manager slowed down
    // frames the window after its last paint, where it already stands. So after a show the
    // frame is also looked for a few times a second, until it is there or for 10 s at most.
    void lookForFrame()
    {
        if (framed || !isFramed(window))
            return;
        framed = true;
        frameWatch.stop();
        fit();
    }

    void fit()
    {
        if (full.isValid())
            fitSize(window, full);
        fitOnScreen(window);
        if (keepClear)
            stepAside();
    }

    // Narrowing the window makes its contents scroll across.
    void stepAside()
    {
        const QScreen *screen = screenOf(window);
        if (!screen)
            return;
        const QRect frame = outerFrame(window);
        const QRect place = frameBeside(frame, keepClear(), screen->availableGeometry(), minimumWidth);
        if (place == frame)
            return;
        const QSize inner(window->width() - (frame.width() - place.width()), window->height());
        window->setMinimumSize(window->minimumSize().boundedTo(inner));
        window->resize(inner);
        moveFrameTo(*window, place.topLeft());
    }

    QWidget *const window;
    QSize full;
    std::function<QRect()> keepClear;
    int minimumWidth = 0;
    bool framed = false;
    QTimer frameWatch;
    QDeadlineTimer frameWatchEnd;
};

const QString screenFitName = QStringLiteral("tovraScreenFit");

// Found by its name: the class has no meta-object of its own that a cast could tell apart.
ScreenFit *screenFitOf(QWidget *window)
{
    if (QObject *existing = window->findChild<QObject *>(screenFitName, Qt::FindDirectChildrenOnly))
        return static_cast<ScreenFit *>(existing);
    auto *fit = new ScreenFit(window);
    fit->setObjectName(screenFitName);
    window->installEventFilter(fit);
    return fit;
}

} // namespace

QPoint fittedFramePosition(const QRect &frame, const QRect &available)
{
    return QPoint(fittedStart(frame.x(), frame.width(), available.x(), available.width()),
                  fittedStart(frame.y(), frame.height(), available.y(), available.height()));
}

QSize fittedWindowSize(QSize full, QSize room, int scrollBarExtent)
{
    QSize size = full;
    bool scrollsDown = false;
    bool scrollsAcross = false;
    // A scroll bar on one side takes room from the other, which may then have to scroll too.
    for (int pass = 0; pass < 2; ++pass) {
        if (!scrollsDown && size.height() > room.height()) {
            scrollsDown = true;
            size.rwidth() += scrollBarExtent;
        }
        if (!scrollsAcross && size.width() > room.width()) {
            scrollsAcross = true;
            size.rheight() += scrollBarExtent;
        }
    }
    return size.boundedTo(room);
}

QRect frameBeside(const QRect &frame, const QRect &keepClear, const QRect &available, int minimumWidth)
{
    if (!frame.intersects(keepClear))
        return frame;
    const int roomLeft = keepClear.left() - available.left();
    const int roomRight = available.right() - keepClear.right();
    const int room = std::max(roomLeft, roomRight);
    if (room < minimumWidth)
        return frame;
    const int width = std::min(frame.width(), room);
    const int x = roomLeft >= roomRight ? keepClear.left() - width : keepClear.right() + 1;
    return QRect(x, frame.y(), width, frame.height());
}

QScrollArea *scrollingContents(QWidget *contents, QWidget *parent)
{
    auto *area = new QScrollArea(parent);
    area->setObjectName(contents->objectName() + QStringLiteral("Scroller"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setFocusPolicy(Qt::NoFocus); // the Tab walk goes through the controls, not the area
    area->setWidget(contents);
    return area;
}

void keepFrameOnScreen(QWidget *window)
{
    screenFitOf(window);
}

void fitWindowToScreen(QWidget *window, QSize full)
{
    screenFitOf(window)->setFullSize(full);
}

void keepClearOf(QWidget *window, std::function<QRect()> area, int minimumWidth)
{
    screenFitOf(window)->setKeepClear(std::move(area), minimumWidth);
}

} // namespace tovra
