#include "stalelook.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace tovra {

namespace {

const char *const StaleProperty = "stale";
const char *const LivePaletteProperty = "livePalette";

} // namespace

void setStaleLook(QWidget *reading, bool stale)
{
    if (hasStaleLook(reading) == stale)
        return;
    if (stale) {
        reading->setProperty(LivePaletteProperty, QVariant::fromValue(reading->palette()));
        QPalette grey = reading->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            grey.setColor(group, QPalette::Text, Qt::gray);
            grey.setColor(group, QPalette::WindowText, Qt::gray);
        }
        reading->setPalette(grey);
    } else {
        reading->setPalette(reading->property(LivePaletteProperty).value<QPalette>());
    }
    reading->setProperty(StaleProperty, stale);
}

bool hasStaleLook(const QWidget *reading)
{
    return reading->property(StaleProperty).toBool();
}

} // namespace tovra
