#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "rzcomport.h"
#include "serialdevice.h"
#include "trafficview.h"
#include "versioninfo.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tovra {

TMainForm::TMainForm(Environment environment, QWidget *parent)
    : QMainWindow(parent)
    , state(environment.state)
    , desktop(environment.desktop)
    , switches(environment.switches)
    , readShiftKeys(std::move(environment.readShiftKeys))
    , queue(environment.state)
{
    setObjectName(QStringLiteral("MainForm"));
    ComPort = new TRZComPort(desktop, this, std::move(environment.serialDevice));
    ComPort->setObjectName(QStringLiteral("ComPort"));
    ComPort->setBaud(57600);
    ComPort->setParity(TParity::parEven);
    ComPort->setHandshaking(THandshake::hsNone);
    ComPort->setResponseTime(100);
    VersionInfo = new TrpVersionInfo(this);
    VersionInfo->setObjectName(QStringLiteral("VersionInfo"));

    buildWindow();
    buildMenus();
    comm = std::make_unique<Communication>(*ComPort, state, *ResponseList, desktop);
    wireComponents();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildWindow()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    ResponseList = new TrafficView(central);
    layout->addWidget(ResponseList);
    setCentralWidget(central);
    resize(827, 665);
}

void TMainForm::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    Exit1 = file->addAction(QStringLiteral("Exit"), this, &TMainForm::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    R1 = file->addAction(QStringLiteral("Restart App"), this, &TMainForm::R1Click);
    R1->setObjectName(QStringLiteral("R1"));

    QMenu *tools = menuBar()->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("ools1"));
    EnableLoggingMenu = tools->addAction(QStringLiteral("Logging Enabled"), this, &TMainForm::EnableLoggingMenuClick);
    EnableLoggingMenu->setObjectName(QStringLiteral("EnableLoggingMenu"));
    EnableLoggingMenu->setCheckable(true);
    EnableDataCollectionMenu = tools->addAction(QStringLiteral("Data Collection Enabled"), this,
                                                &TMainForm::EnableDataCollectionMenuClick);
    EnableDataCollectionMenu->setObjectName(QStringLiteral("EnableDataCollectionMenu"));
    EnableDataCollectionMenu->setCheckable(true);
    UnlockLaserMenu = tools->addAction(QStringLiteral("Unlock Laser"), this, &TMainForm::UnlockLaserMenuClick);
    UnlockLaserMenu->setObjectName(QStringLiteral("UnlockLaserMenu"));
    UnlockLaserMenu->setVisible(false);
}

void TMainForm::wireComponents()
{
    TaskTimer = new QTimer(this);
    TaskTimer->setObjectName(QStringLiteral("TaskTimer"));
    TaskTimer->setInterval(5);
    connect(TaskTimer, &QTimer::timeout, this, &TMainForm::TaskTimerTimer);

    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    StatusTimer->setInterval(1000);
    connect(StatusTimer, &QTimer::timeout, this, &TMainForm::StatusTimerTimer);

    ComPort->setOnTimeout([this] { ComPortTimeout(); });
    comm->setTimeoutActions(StatusTimer, [this] { RestartApp(); }, [this] { ExitApp(); });
    watchRecordFiles();
}

// The operator's close request only asks for the exit; the task timer tells the laser to stop
// firing first and then ends the program. The program's own ending closes the window for real.
void TMainForm::closeEvent(QCloseEvent *event)
{
    if (ended) {
        event->accept();
        return;
    }
    event->ignore();
    Exit1Click();
}

} // namespace tovra
