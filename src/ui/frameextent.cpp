#include "frameextent.h"

#include <QWidget>

namespace tovra {

QSize frameExtentOf(const QWidget &window)
{
    return window.isVisible() ? window.frameGeometry().size() - window.size() : assumedFrameExtent;
}

} // namespace tovra
