// The history's menus, its note in the status bar and the Trends window over the program's history.

#include "mainform.h"

#include "desktop.h"
#include "laserstate.h"
#include "trendswindow.h"
#include "versioninfo.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>

namespace tovra {

void TMainForm::wireHistory()
{
    auto *trendsItem = new QAction(QStringLiteral("Trends"), this);
    trendsItem->setObjectName(QStringLiteral("TrendsMenu"));
    trendsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    ui.ools1->insertAction(ui.EnableLoggingMenu, trendsItem);
    connect(trendsItem, &QAction::triggered, this, &TMainForm::TrendsMenuClick);
    auto *openItem = new QAction(QStringLiteral("Open Data File…"), this);
    openItem->setObjectName(QStringLiteral("OpenDataFileMenu"));
    ui.File1->insertAction(ui.File1->actions().value(0), openItem);
    connect(openItem, &QAction::triggered, this, &TMainForm::OpenDataFileMenuClick);

    if (!program.historyWriter())
        return;
    historyStateLabel = new QLabel;
    historyStateLabel->setObjectName(QStringLiteral("historyState"));
    historyStateLabel->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(historyStateLabel);
    connect(program.historyWriter(), &HistoryWriter::stateChanged, this, &TMainForm::showHistoryState);
}

// Recording as it should be needs no words in the status bar; a pause, a second instance or a
// damaged file moved aside does.
void TMainForm::showHistoryState(HistoryState historyState, const QString &note)
{
    historyStateLabel->setText(historyState == HistoryState::Recording && note == HistoryWriter::RecordingNote
                                   ? QString()
                                   : note);
    if (trends)
        trends->showHistoryState(historyState, note);
}

TrendsWindow *TMainForm::trendsWindow()
{
    if (trends)
        return trends;
    const auto connected = [this] {
        return program.inDemoMode() ? LaserIdentity() : LaserIdentity{state.modelName, state.serialNumber, state.firmwareVersion};
    };
    trends = new TrendsWindow({program.historyFileName(), connected, VersionInfo->FileVersion(), desktop}, this);
    if (const HistoryWriter *history = program.historyWriter())
        trends->showHistoryState(history->state(), history->note());
    // Beside the main window, as far as the screen lets it.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    if (screen.isValid() && at.x() + trends->width() > screen.right())
        at.setX(std::max(screen.left(), screen.right() - trends->width()));
    trends->move(at);
    return trends;
}

void TMainForm::TrendsMenuClick()
{
    if (HistoryWriter *history = program.historyWriter())
        history->flush();
    trendsWindow()->reload();
    trends->show();
    trends->raise();
    trends->activateWindow();
}

void TMainForm::OpenDataFileMenuClick()
{
    const QString fileName =
        desktop.openFileName(QStringLiteral("Open Data File"), QStringLiteral("Data files (TovraDataFile_*.txt *.txt)"));
    if (fileName.isEmpty())
        return;
    trendsWindow()->openDataFile(fileName);
    trends->show();
    trends->raise();
}

} // namespace tovra
