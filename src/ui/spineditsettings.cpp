#include "spineditsettings.h"

#include "plusspinedit.h"
#include "tahomafont.h"

#include <QPalette>

namespace tovra {

TPlusSpinEdit *createSpinEdit(QWidget *parent, const char *name, const SpinEditSettings &settings,
                              const QRect &geometry)
{
    auto *spin = new TPlusSpinEdit(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setAutoSize(false);
    spin->setBorderStyle(TBorderStyle::bsNone);
    spin->setFont(tahomaFont(15));
    QPalette colours = spin->palette();
    colours.setColor(QPalette::Text, Qt::black);
    spin->setPalette(colours);
    spin->setDecimals(settings.decimals);
    spin->setIncrement(settings.increment);
    spin->setMaxValue(settings.maxValue);
    spin->setMinValue(settings.minValue);
    spin->setValueSilently(settings.value);
    spin->setLeadingDigits(settings.leadingDigits);
    spin->setThousandSeparator(settings.separator);
    spin->setGeometry(geometry);
    return spin;
}

} // namespace tovra
