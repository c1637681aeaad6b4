// Settings bins, refresh, the user counter, and the command terminal: requests that the task
// timer carries out.

#include "mainform.h"

#include "labeledreadout.h"
#include "plusspinedit.h"
#include "statusindicator.h"

#include "laserstate.h"
#include "trafficview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMovie>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace tovra {

void TMainForm::SaveBinClick(int bin)
{
    QueuedCommandToPort(QStringLiteral("SV ") + QString::number(bin));
}

// Bin 0 holds the defaults.
void TMainForm::RestoreBinClick(int bin)
{
    program.recallBin(bin);
}

void TMainForm::Up1Click()
{
    program.refresh();
}

void TMainForm::ClearUserCountbtnClick()
{
    QueuedCommandToPort(QStringLiteral("UC 0"));
}

void TMainForm::SendBtnClick()
{
    sendTerminalText();
}

namespace {

// One entry is one line on the wire: a pasted line break (or any other control character) would
// put several commands there, unseen.
bool holdsControlCharacters(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

// Typed text goes out exactly as typed, without the command prefix; the history keeps every
// entry, duplicates and empty ones included.
void TMainForm::sendTerminalText()
{
    const QString text = ui.SendEdit->currentText();
    if (holdsControlCharacters(text)) {
        refuseTerminalText();
        return;
    }
    program.queueLine(OutgoingLine::raw(text, LineSource::terminal()));
    // No entry is selected after sending: the first Up recalls the newest entry, and only the
    // operator's pick or walk selects one (Ctrl+Backspace deletes what is selected). The sent text
    // stays, so that Enter sends it again, and is selected, so that typing replaces it.
    ui.SendEdit->addItem(text);
    ui.SendEdit->setCurrentIndex(-1);
    ui.SendEdit->setEditText(text);
    ui.SendEdit->lineEdit()->selectAll();
}

// Nothing is sent and nothing enters the history; the text stays in the edit to be mended.
void TMainForm::refuseTerminalText()
{
    ResponseList->appendTrafficLine(QStringLiteral("Not sent: the line holds control characters"), TrafficDirection::Note);
}

bool TMainForm::SendEditKeyPress(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        sendTerminalText();
        return true;
    }
    if (event->key() == Qt::Key_Backspace && event->modifiers().testFlag(Qt::ControlModifier)) {
        const int selected = ui.SendEdit->currentIndex();
        if (selected >= 0) {
            const QString text = ui.SendEdit->currentText();
            ui.SendEdit->removeItem(selected);
            ui.SendEdit->setEditText(text);
        }
        return true;
    }
    return false;
}

} // namespace tovra
