#include "trafficview.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace tovra {

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
}

void TrafficView::appendTrafficLine(const QString &line, const QColor &colour)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(line.left(ShownCharacters), format);
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
