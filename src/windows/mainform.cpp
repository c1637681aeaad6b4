#include "mainform.h"

#include "desktop.h"
#include "firebuttonview.h"
#include "frameextent.h"
#include "laserstate.h"
#include "statuspoll.h"
#include "mainstatusbar.h"
#include "parametertable.h"
#include "plusspinedit.h"
#include "recordmenuview.h"
#include "scriptsettings.h"
#include "serviceform.h"
#include "settingcontrols.h"
#include "settingsformview.h"
#include "statusreadoutsview.h"
#include "trafficview.h"
#include "versioninfo.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

namespace tovra {

TMainForm::TMainForm(LaserProgram &laserProgram, QWidget *parent)
    : QMainWindow(parent)
    , program(laserProgram)
    , state(laserProgram.laserState())
    , desktop(laserProgram.desktop())
{
    setObjectName(QStringLiteral("MainForm"));
    VersionInfo = new TrpVersionInfo(this);
    VersionInfo->setObjectName(QStringLiteral("VersionInfo"));

    ResponseList = new TrafficView(this);
    ui.setupUi(this, ResponseList);
    controls = std::make_unique<SettingControls>(ui);
    // The status bar comes on top of the client area's designed height.
    StatusBar = new MainStatusBar(this);
    setStatusBar(StatusBar);
    ui.resizeClientArea(ui.ClientArea->size());
    // The terminal keeps every entry, duplicates included, and adds them itself.
    ui.SendEdit->setDuplicatesEnabled(true);
    ui.SendEdit->setInsertPolicy(QComboBox::NoInsert);
    // The combo box keeps the focus and hands typed keys on to its line edit, so its own key
    // presses are the ones to watch.
    ui.SendEdit->installEventFilter(this);

    ServiceForm = new TServiceForm(*this, state, desktop, this);
    ServiceForm->keepClearOf([this] { return ui.fireAndStatusOnScreen(); });
    scriptSettings = std::make_unique<ScriptSettingsFollower>(*controls, state, [this] { program.readBackEnergyModeValue(); });
    settingsView = std::make_unique<SettingsFormView>(
        ui, *controls, state,
        SettingsFormView::Window{.setTitle = [this](const QString &title) { setWindowTitle(title); },
                                 .setOuterWidth = [this](int width) { setOuterWidth(width); },
                                 .setOuterHeight = [this](int height) { setOuterHeight(height); },
                                 .noteInLog = [this](const QString &line) { appendLogNote(line); }});
    readoutsView = std::make_unique<StatusReadoutsView>(ui, *ServiceForm);
    fireView = std::make_unique<FireButtonView>(ui);
    recordsView = std::make_unique<RecordMenuView>(ui, *StatusBar);
    program.attachViews({
        .settings = settingsView.get(),
        .poll = readoutsView.get(),
        .fire = fireView.get(),
        .records = recordsView.get(),
        .scriptSettings = scriptSettings.get(),
        .terminal = ResponseList,
    });
    followProgram();
    setUpStopDeliveryNote();
    connectControls();
    connectMenus();
    wireSharing();
    wireHistory();
}

// The window lends the program its views for as long as it lives.
TMainForm::~TMainForm()
{
    program.attachViews({});
}

void TMainForm::followProgram()
{
    connect(&program, &LaserProgram::settingsLoaded, this, &TMainForm::hideControlsOutOfSight);
    connect(&program, &LaserProgram::ended, this, &QWidget::hide);
}

// Each setting's control runs its handler on the operator's changes only: what the program writes
// into a control goes in with its signals blocked (SettingControls).
void TMainForm::connectControls()
{
    for (const SettingControls::Control &control : controls->all()) {
        const Handler handler = handlerOf(control.setting);
        if (control.spinEdit) {
            connect(control.spinEdit, &TPlusSpinEdit::OnChange, this, handler);
            connect(control.spinEdit, &TPlusSpinEdit::inputRejected, this,
                    [this](const QString &message) { desktop.message(message); });
        } else if (control.choice) {
            connect(control.choice, &QComboBox::activated, this, handler);
        } else {
            connect(control.checkBox, &QCheckBox::toggled, this, handler);
        }
    }
    connect(ui.UpdateVoltagesEn, &QCheckBox::toggled, this, &TMainForm::UpdateVoltagesEnClick);
    // A box the operator clicked shows the operator's choice, not a value the load left unread.
    for (const auto &[box, setting] : {std::pair{ui.LaserEnableBtn, Setting::LaserEnable},
                                       std::pair{ui.QSwitchEnableBtn, Setting::QSwitchEnable},
                                       std::pair{ui.DivideByNEnable, Setting::DivideByNEnable}})
        connect(box, &QCheckBox::clicked, this, [this, setting = setting] { program.settingsLoad().settingSetByOperator(setting); });
    connect(ui.FireStopbtn, &QPushButton::clicked, this, &TMainForm::FireStopbtnClick);
    connect(ui.ClearUserCountbtn, &QPushButton::clicked, this, &TMainForm::ClearUserCountbtnClick);
    connect(ui.SendBtn, &QPushButton::clicked, this, &TMainForm::SendBtnClick);
}

void TMainForm::connectMenus()
{
    connect(ui.Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
    connect(ui.R1, &QAction::triggered, this, &TMainForm::R1Click);
    for (int bin = 1; bin <= 6; ++bin) {
        connect(ui.SaveBin[size_t(bin - 1)], &QAction::triggered, this, [this, bin] { SaveBinClick(bin); });
        connect(ui.RestoreBin[size_t(bin - 1)], &QAction::triggered, this, [this, bin] { RestoreBinClick(bin); });
    }
    connect(ui.DefaultBin0, &QAction::triggered, this, [this] { RestoreBinClick(0); });
    connect(ui.Up1, &QAction::triggered, this, &TMainForm::Up1Click);
    connect(ui.Calculator1, &QAction::triggered, this, &TMainForm::Calculator1Click);
    // Queued, so that the picture is taken once the menu has closed, not of the open menu.
    connect(ui.CaptureScreenShot1, &QAction::triggered, this, &TMainForm::CaptureScreenShot1Click,
            Qt::QueuedConnection);
    connect(ui.EnableLoggingMenu, &QAction::triggered, this, &TMainForm::EnableLoggingMenuClick);
    connect(ui.EnableDataCollectionMenu, &QAction::triggered, this, &TMainForm::EnableDataCollectionMenuClick);
    connect(ui.Service1, &QAction::triggered, this, &TMainForm::Service1Click);
    connect(ui.ServiceWindowMenu, &QAction::triggered, this, &TMainForm::ServiceWindowMenuClick);
    connect(ui.UnlockLaserMenu, &QAction::triggered, this, &TMainForm::UnlockLaserMenuClick);
    connect(ui.WebSite1, &QAction::triggered, this, &TMainForm::WebSite1Click);
    connect(ui.About1, &QAction::triggered, this, &TMainForm::About1Click);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.SendEdit && event->type() == QEvent::KeyPress)
        return SendEditKeyPress(static_cast<QKeyEvent *>(event));
    return QMainWindow::eventFilter(watched, event);
}

// Sizes are given for the outer window, as the operator sees it; the window system's frame
// (borders and title bar) is taken off before the client area is fixed. Before the window was
// first shown the frame is not known: a common one is assumed, and the requested outer size is
// applied again once the window is on screen.
void TMainForm::setOuterWidth(int width)
{
    requestedOuterSize.setWidth(width);
    applyOuterSize();
}

void TMainForm::setOuterHeight(int height)
{
    requestedOuterSize.setHeight(height);
    applyOuterSize();
}

void TMainForm::applyOuterSize()
{
    const QSize frame = frameExtentOf(*this);
    const int menu = ui.MainMenu1->sizeHint().height();
    ui.resizeClientArea(
        QSize(requestedOuterSize.width() > 0 ? requestedOuterSize.width() - frame.width() : ui.ClientArea->width(),
              requestedOuterSize.height() > 0 ? requestedOuterSize.height() - frame.height() - menu
                                              : ui.ClientArea->height()));
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    applyOuterSize();
}

void TMainForm::openServiceWindow()
{
    ServiceForm->ServiceInitialize();
    ServiceForm->show();
}

void TMainForm::closeServiceWindow()
{
    ServiceForm->hide();
}

void TMainForm::queueCommand(const QString &command)
{
    QueuedCommandToPort(command);
}

void TMainForm::queueRawLine(const QString &line)
{
    program.queueRawLine(line);
}

bool TMainForm::statusUpdating() const
{
    return program.statusPoll().isUpdating();
}

void TMainForm::sendDirectly(const QString &command)
{
    program.communication().send(OutgoingLine::command(command, LineSource::window()));
}

void TMainForm::showMaximum(Setting setting, double maximum)
{
    if (controls->setMaximum(setting, maximum))
        storeValue(state, setting, controls->value(setting));
}

void TMainForm::applyCalibratedMaximum(Setting setting, double maximum)
{
    if (controls->setMaximum(setting, maximum))
        (this->*handlerOf(setting))();
}

// Heaters 0 and 1 share the first target label.
void TMainForm::showHeaterTarget(int heater, double setpoint)
{
    (heater == 2 ? ui.Heater2Targetlbl : ui.Heater1Targetlbl)->setText(heaterTargetText(heater, setpoint));
}

// The operator's close request only asks for the exit; the task timer tells the laser to stop
// firing first and then ends the program. The program's own ending closes the window for real.
void TMainForm::closeEvent(QCloseEvent *event)
{
    if (program.hasEnded()) {
        event->accept();
        return;
    }
    event->ignore();
    Exit1Click();
}

} // namespace tovra
