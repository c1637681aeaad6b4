#include "serviceformlayout.h"

#include "plusspinedit.h"
#include "screenfit.h"
#include "spineditsettings.h"
#include "tahomafont.h"
#include "temperaturechart.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovra {

namespace {

struct SpinGroup
{
    const char *groupName;
    const char *caption;
    const char *tooltip;
    const char *controlName;
    SpinEditSettings spin;
};

// The two columns of spin groups; a group's top is ColumnTop + row * GroupPitch.
struct Column
{
    int x;
    int width;
};
constexpr Column LeftColumn {8, 150};
constexpr Column MiddleColumn {174, 107};
constexpr int ColumnTop = 4;
constexpr int GroupPitch = 54;
constexpr int GroupHeight = 50;

// The spin edit fills its group's width, inside the group's frame.
TPlusSpinEdit *addSpinGroup(QWidget *parent, QGroupBox *&group, const SpinGroup &settings, Column column, int row)
{
    group = new QGroupBox(QString::fromLatin1(settings.caption), parent);
    group->setObjectName(QString::fromLatin1(settings.groupName));
    group->setFont(tahomaFont(13));
    group->setGeometry(column.x, ColumnTop + row * GroupPitch, column.width, GroupHeight);
    if (settings.tooltip)
        group->setToolTip(QString::fromLatin1(settings.tooltip));

    return createSpinEdit(group, settings.controlName, settings.spin, QRect(8, 20, column.width - 16, 24));
}

void stackShownGroups(std::initializer_list<QGroupBox *> column)
{
    int y = ColumnTop;
    for (QGroupBox *group : column) {
        if (group->isHidden())
            continue;
        group->move(group->x(), y);
        y += GroupPitch;
    }
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
    Window = window;
    window->setObjectName(QStringLiteral("ServiceForm"));
    window->setWindowTitle(QStringLiteral("Service"));
    window->setFont(tahomaFont(11));
    Contents = new QWidget;
    Contents->setObjectName(QStringLiteral("ServiceContents"));
    auto *fill = new QVBoxLayout(window);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(scrollingContents(Contents, window));

    const QChar comma(QLatin1Char(','));
    const QChar none;
    // Left column: calibration limits and the direct diode settings of the small families.
    DiodeCurrentAdj = addSpinGroup(Contents, ServiceCurrentAdjgrp,
                                   {"ServiceCurrentAdjgrp", "Diode Current", "Adjusts the diode current",
                                    "DiodeCurrentAdj", 2, 0.01, 0, 150, 0, 3, none}, LeftColumn, 0);
    MaxDiodeCurrentAdj = addSpinGroup(Contents, DiodeCurrentGrp,
                                      {"DiodeCurrentGrp", "Max Diode Current", "Adjusts the diode current",
                                       "MaxDiodeCurrentAdj", 2, 0.01, 0, 200, 0, 3, none}, LeftColumn, 1);
    MaxRepRateAdj = addSpinGroup(Contents, RepRateGrp,
                                 {"RepRateGrp", "Max Rep Rate", "Sets the pulse frequency", "MaxRepRateAdj", 1, 0.1,
                                  0.1, 1000, 0.1, 3, none}, LeftColumn, 2);
    DiodePulseWidthAdj = addSpinGroup(Contents, ServiceDiodePulseWidthAdjgrp,
                                      {"ServiceDiodePulseWidthAdjgrp", "Diode Pulse Width", "Sets the diode pulse width",
                                       "DiodePulseWidthAdj", 7, 0.0000001, 0.000001, 0.1, 0.000001, 1, comma},
                                      LeftColumn, 3);
    MaxDiodePulseWidthAdj = addSpinGroup(Contents, DiodePulseWidthGrp,
                                         {"DiodePulseWidthGrp", "Max Diode Pulse Width", "Sets the diode pulse width",
                                          "MaxDiodePulseWidthAdj", 7, 0.0000001, 0.000001, 0.1, 0.000001, 1, comma},
                                         LeftColumn, 4);
    MaxQSWDelayAdj = addSpinGroup(Contents, QSWDelayGrp,
                                  {"QSWDelayGrp", "Max Q-Switch Delay", nullptr, "MaxQSWDelayAdj", 7, 0.0000001,
                                   0.000001, 1.0, 0.000001, 1, comma}, LeftColumn, 5);
    LSCSleepbtn = addButton(Contents, "LSCSleepbtn", "LSC To Sleep", QRect(LeftColumn.x, 400, LeftColumn.width, 30));

    // Middle column: heater set points and maintenance.
    Heater0TempAdj = addSpinGroup(Contents, Heater0Tempgrp,
                                  {"Heater0Tempgrp", "Heater 0 Temp", nullptr, "Heater0TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, MiddleColumn, 0);
    Heater1TempAdj = addSpinGroup(Contents, Heater1Tempgrp,
                                  {"Heater1Tempgrp", "Heater 1 Temp", nullptr, "Heater1TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, MiddleColumn, 1);
    Heater2TempAdj = addSpinGroup(Contents, Heater2Tempgrp,
                                  {"Heater2Tempgrp", "Heater 2 Temp", nullptr, "Heater2TempAdj", 1, 0.1, 0.1, 100, 0.1,
                                   3, none}, MiddleColumn, 2);
    const auto middleButton = [](int y) { return QRect(MiddleColumn.x, y, MiddleColumn.width, 30); };
    Refreshbtn = addButton(Contents, "Refreshbtn", "Refresh", middleButton(180));
    ClearShotCountbtn = addButton(Contents, "ClearShotCountbtn", "Clear Shot Count", middleButton(216));
    SaveBin0btn = addButton(Contents, "SaveBin0btn", "Save Bin 0", middleButton(252));
    SaveAllBinsbtn = addButton(Contents, "SaveAllBinsbtn", "Save to all bins", middleButton(288));

    // Right: the temperature chart.
    Chartgrp = new QGroupBox(Contents);
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

    resizeContents(QSize(1010, 441));
}

void ServiceFormLayout::resizeContents(QSize size)
{
    Contents->setFixedSize(size);
    fitWindowToScreen(Window, size);
}

void ServiceFormLayout::stackShownSpinGroups()
{
    stackShownGroups({ServiceCurrentAdjgrp, DiodeCurrentGrp, RepRateGrp, ServiceDiodePulseWidthAdjgrp,
                      DiodePulseWidthGrp, QSWDelayGrp});
    stackShownGroups({Heater0Tempgrp, Heater1Tempgrp, Heater2Tempgrp});
}

} // namespace tovra
