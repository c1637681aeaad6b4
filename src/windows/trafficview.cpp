#include "trafficview.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace tovra {

namespace {

constexpr int ShowDelayMs = 40;

const QColor SentColour(0, 0, 0);
const QColor ReceivedColour(0, 128, 0);
const QColor NoteColour(160, 0, 0);

QColor colourOf(TrafficDirection direction)
{
    switch (direction) {
    case TrafficDirection::Sent:
        return SentColour;
    case TrafficDirection::Received:
        return ReceivedColour;
    case TrafficDirection::Note:
        break;
    }
    return NoteColour;
}

} // namespace

TrafficView::TrafficView(QWidget *parent)
    : QTextEdit(parent)
{
    setObjectName(QStringLiteral("ResponseList"));
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUndoRedoEnabled(false);
    document()->setMaximumBlockCount(KeptLines);
    showTimer.setSingleShot(true);
    showTimer.setInterval(ShowDelayMs);
    connect(&showTimer, &QTimer::timeout, this, &TrafficView::showWaitingLines);
}

void TrafficView::appendTrafficLine(const QString &line, TrafficDirection direction)
{
    waiting.append({line, colourOf(direction)});
    if (!showTimer.isActive())
        showTimer.start();
}

void TrafficView::showWaitingLines()
{
    if (waiting.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const WaitingLine &line : std::as_const(waiting)) {
        if (!document()->isEmpty())
            cursor.insertBlock();
        QTextCharFormat format;
        format.setForeground(line.colour);
        cursor.insertText(line.text.left(ShownCharacters), format);
    }
    cursor.endEditBlock();
    waiting.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TrafficView::clearTraffic()
{
    waiting.clear();
    showTimer.stop();
    clear();
}

QStringList TrafficView::lines() const
{
    QStringList result;
    if (!document()->isEmpty()) {
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
            result.append(block.text());
    }
    for (const WaitingLine &line : waiting)
        result.append(line.text.left(ShownCharacters));
    if (result.size() > KeptLines)
        result.remove(0, result.size() - KeptLines);
    return result;
}

} // namespace tovra
