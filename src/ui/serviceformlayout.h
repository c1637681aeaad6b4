#pragma once

#include <QSize>
#include <QString>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QWidget;

namespace tovra {

class TPlusSpinEdit;
class TemperatureChart;

// The service window's widgets: calibration limits and direct diode settings on the left, heater
// set points and maintenance buttons in the middle, the temperature chart on the right. The
// window's logic (TServiceForm) drives them; nothing here talks to the laser.
struct ServiceFormLayout
{
    void setupUi(QWidget *window);
    // Gives the window's contents `size`. The window takes that size, fixed, where its screen has
    // room for it; otherwise the contents scroll inside a window as large as the screen allows.
    void resizeContents(QSize size);
    // Moves the shown groups of the left and middle columns up against each other, so that the
    // groups hidden for the connected laser leave no gaps.
    void stackShownSpinGroups();

    QWidget *Window = nullptr;
    QWidget *Contents = nullptr; // every control; scrolls where the window is too small for it

    QGroupBox *ServiceCurrentAdjgrp = nullptr;
    TPlusSpinEdit *DiodeCurrentAdj = nullptr;
    QGroupBox *DiodeCurrentGrp = nullptr;
    TPlusSpinEdit *MaxDiodeCurrentAdj = nullptr;
    QGroupBox *RepRateGrp = nullptr;
    TPlusSpinEdit *MaxRepRateAdj = nullptr;
    QGroupBox *ServiceDiodePulseWidthAdjgrp = nullptr;
    TPlusSpinEdit *DiodePulseWidthAdj = nullptr;
    QGroupBox *DiodePulseWidthGrp = nullptr;
    TPlusSpinEdit *MaxDiodePulseWidthAdj = nullptr;
    QGroupBox *QSWDelayGrp = nullptr;
    TPlusSpinEdit *MaxQSWDelayAdj = nullptr;
    QGroupBox *Heater0Tempgrp = nullptr;
    TPlusSpinEdit *Heater0TempAdj = nullptr;
    QGroupBox *Heater1Tempgrp = nullptr;
    TPlusSpinEdit *Heater1TempAdj = nullptr;
    QGroupBox *Heater2Tempgrp = nullptr;
    TPlusSpinEdit *Heater2TempAdj = nullptr;

    QPushButton *Refreshbtn = nullptr;
    QPushButton *ClearShotCountbtn = nullptr;
    QPushButton *SaveBin0btn = nullptr;
    QPushButton *SaveAllBinsbtn = nullptr;
    QPushButton *LSCSleepbtn = nullptr;

    QGroupBox *Chartgrp = nullptr;
    TemperatureChart *TempChart = nullptr;
    QPushButton *ClearChartbtn = nullptr;
    QPushButton *SaveChartbtn = nullptr;
    QCheckBox *DiodeTempEn = nullptr;
};

} // namespace tovra
