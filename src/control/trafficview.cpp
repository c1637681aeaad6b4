#include "trafficview.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace tovra {

namespace {

const QColor SentColour(0, 0, 0);
const QColor ReceivedColour(0, 128, 0);

// A line must stay one line: control characters become the symbols of the Unicode
// "Control Pictures" block (a carriage return shows as U+240D).
QString visibleText(const QString &line)
{
    QString text = line;
    for (QChar &c : text) {
        if (c.unicode() < 32)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 127)
            c = QChar(0x2421);
    }
    return text;
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
}

void TrafficView::appendTrafficLine(const QString &line, TrafficDirection direction)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(direction == TrafficDirection::Received ? ReceivedColour : SentColour);
    cursor.insertText(visibleText(line), format);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TrafficView::clearTraffic()
{
    clear();
}

QStringList TrafficView::lines() const
{
    QStringList result;
    if (document()->isEmpty())
        return result;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

} // namespace tovra
