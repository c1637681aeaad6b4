#include "frameextent.h"

#include <QRect>
#include <QWidget>
#include <QWindow>

namespace tovra {

QRect reportedFrame(const QWidget &window)
{
    const QWindow *native = window.windowHandle();
    return native && native->handle() ? window.geometry().marginsAdded(native->frameMargins())
                                      : window.frameGeometry();
}

bool frameReportIsSound(const QWidget &window)
{
    return reportedFrame(window).contains(window.geometry());
}

void moveFrameTo(QWidget &window, QPoint place)
{
    // QWidget::move goes by the frame the widget was last told of, which may be stale.
    QWindow *native = window.windowHandle();
    if (native && native->handle() && frameReportIsSound(window))
        native->setPosition(place + (window.geometry().topLeft() - reportedFrame(window).topLeft()));
    else
        window.move(place);
}

QSize frameExtentOf(const QWidget &window)
{
    return window.isVisible() && frameReportIsSound(window) ? reportedFrame(window).size() - window.size()
                                                            : assumedFrameExtent;
}

} // namespace tovra
