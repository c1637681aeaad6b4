#include "serviceformlayout.h"

#include "plusspinedit.h"
#include "tahomafont.h"
#include "temperaturechart.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QPushButton>

namespace tovra {

namespace {

struct SpinSettings
{
    const char *groupName;
    const char *caption;
    const char *tooltip;
    const char *controlName;
    int decimals;
    double increment;
    double minValue;
    double maxValue;
    double value;
    int leadingDigits;
    QChar separator;
};

TPlusSpinEdit *addSpinGroup(QWidget *parent, QGroupBox *&group, const SpinSettings &settings, int x, int y)
{
    group = new QGroupBox(QString::fromLatin1(settings.caption), parent);
    group->setObjectName(QString::fromLatin1(settings.groupName));
    group->setFont(tahomaFont(13));
    group->setGeometry(x, y, 150, 50);
    if (settings.tooltip)
        group->setToolTip(QString::fromLatin1(settings.tooltip));

    auto *spin = new TPlusSpinEdit(group);
    spin->setObjectName(QString::fromLatin1(settings.controlName));
    spin->setFont(tahomaFont(15));
    spin->setAutoSize(false);
    spin->setBorderStyle(TBorderStyle::bsNone);
    spin->setDecimals(settings.decimals);
    spin->setIncrement(settings.increment);
    spin->setMinValue(settings.minValue);
    spin->setMaxValue(settings.maxValue);
    spin->setValueSilently(settings.value);
    spin->setLeadingDigits(settings.leadingDigits);
    spin->setThousandSeparator(settings.separator);
    spin->setGeometry(8, 20, 134, 24);
    return spin;
}

QPushButton *addButton(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(tahomaFont(13));
    button->setGeometry(geometry);
    return button;
}

} // namespace

void ServiceFormLayout::setupUi(QWidget *window)
{
    window->setObjectName(QStringLiteral("ServiceForm"));
    window->setWindowTitle(QStringLiteral("Service"));
    window->setFont(tahomaFont(11));
    window->resize(1010, 441);

    const QChar comma(QLatin1Char(','));
    const QChar none;
    // Left column: calibration limits and the direct diode settings of the small families.
    DiodeCurrentAdj = addSpinGroup(window, ServiceCurrentAdjgrp,
                                   {"ServiceCurrentAdjgrp", "Diode Current", "Adjusts the diode current",
                                    "DiodeCurrentAdj", 2, 0.01, 0, 150, 0, 3, none}, 8, 4);
    MaxDiodeCurrentAdj = addSpinGroup(window, DiodeCurrentGrp,
                                      {"DiodeCurrentGrp", "Max Diode Current", "Adjusts the diode current",
                                       "MaxDiodeCurrentAdj", 2, 0.01, 0, 200, 0, 3, none}, 8, 58);
    MaxRepRateAdj = addSpinGroup(window, RepRateGrp,
                                 {"RepRateGrp", "Max Rep Rate", "Sets the pulse frequency", "MaxRepRateAdj", 1, 0.1,
                                  0.1, 1000, 0.1, 3, none}, 8, 112);
    DiodePulseWidthAdj = addSpinGroup(window, ServiceDiodePulseWidthAdjgrp,
                                      {"ServiceDiodePulseWidthAdjgrp", "Diode Pulse Width", "Sets the diode pulse width",
                                       "DiodePulseWidthAdj", 7, 0.0000001, 0.000001, 0.1, 0.000001, 1, comma}, 8, 166);
    MaxDiodePulseWidthAdj = addSpinGroup(window, DiodePulseWidthGrp,
                                         {"DiodePulseWidthGrp", "Max Diode Pulse Width", "Sets the diode pulse width",
                                          "MaxDiodePulseWidthAdj", 7, 0.0000001, 0.000001, 0.1, 0.000001, 1, comma},
                                         8, 220);
    MaxQSWDelayAdj = addSpinGroup(window, QSWDelayGrp,
                                  {"QSWDelayGrp", "Max Q-Switch Delay", nullptr, "MaxQSWDelayAdj", 7, 0.0000001,
                                   0.000001, 1.0, 0.000001, 1, comma}, 8, 274);
    LSCSleepbtn = addButton(window, "LSCSleepbtn", "LSC To Sleep", QRect(8, 400, 150, 30));

    // Middle column: heater set points and maintenance.
    Heater0TempAdj = addSpinGroup(window, Heater0Tempgrp,
                                  {"Heater0Tempgrp", "Heater 0 Temp", nullptr, "Heater0TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, 170, 4);
    Heater1TempAdj = addSpinGroup(window, Heater1Tempgrp,
                                  {"Heater1Tempgrp", "Heater 1 Temp", nullptr, "Heater1TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, 170, 58);
    Heater2TempAdj = addSpinGroup(window, Heater2Tempgrp,
                                  {"Heater2Tempgrp", "Heater 2 Temp", nullptr, "Heater2TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, 170, 112);
    for (QGroupBox *group : {Heater0Tempgrp, Heater1Tempgrp, Heater2Tempgrp})
        group->resize(111, group->height());
    Refreshbtn = addButton(window, "Refreshbtn", "Refresh", QRect(174, 180, 107, 30));
    ClearShotCountbtn = addButton(window, "ClearShotCountbtn", "Clear Shot Count", QRect(174, 216, 107, 30));
    SaveBin0btn = addButton(window, "SaveBin0btn", "Save Bin 0", QRect(174, 252, 107, 30));
    SaveAllBinsbtn = addButton(window, "SaveAllBinsbtn", "Save to all bins", QRect(174, 288, 107, 30));

    // Right: the temperature chart.
    Chartgrp = new QGroupBox(window);
    Chartgrp->setObjectName(QStringLiteral("Chartgrp"));
    Chartgrp->setGeometry(287, 4, 720, 433);
    TempChart = new TemperatureChart(Chartgrp);
    TempChart->setObjectName(QStringLiteral("TempChart"));
    TempChart->setGeometry(6, 6, 708, 386);
    ClearChartbtn = addButton(Chartgrp, "ClearChartbtn", "Clear Chart", QRect(8, 398, 100, 28));
    SaveChartbtn = addButton(Chartgrp, "SaveChartbtn", "Save Chart", QRect(116, 398, 100, 28));
    DiodeTempEn = new QCheckBox(QStringLiteral("Diode Temp"), Chartgrp);
    DiodeTempEn->setObjectName(QStringLiteral("DiodeTempEn"));
    DiodeTempEn->setFont(tahomaFont(13));
    DiodeTempEn->setGeometry(232, 402, 120, 22);
}

} // namespace tovra
