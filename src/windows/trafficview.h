#pragma once

#include "terminalview.h"

#include <QList>
#include <QTextEdit>
#include <QTimer>

namespace tovra {

// The terminal view `ResponseList`: a read-only list of traffic lines, black for what was sent
// and green for replies. Reply text comes from the laser and is untrusted, so it is inserted as
// plain text only. The view holds the latest KeptLines lines and shows the first ShownCharacters
// characters of each, so that a long run or a flood of replies cannot use up the memory; the
// communication log keeps every line whole.
//
// Lines reach the document in small batches, a few dozen milliseconds after they came: laying out
// and painting the view for every single line would cost a busy exchange (a script sending at line
// rate) more time than the line takes on the wire.
class TrafficView : public QTextEdit, public TerminalView
{
    Q_OBJECT
public:
    static constexpr int KeptLines = 5000;
    static constexpr int ShownCharacters = 4096;

    explicit TrafficView(QWidget *parent = nullptr);

    void appendTrafficLine(const QString &line, TrafficDirection direction) override;
    void clearTraffic() override;
    // The lines shown or about to be, in order (for the About box's neighbours and for tests).
    QStringList lines() const;

private:
    void showWaitingLines();

    struct WaitingLine
    {
        QString text;
        QColor colour;
    };
    QList<WaitingLine> waiting;
    QTimer showTimer;
};

} // namespace tovra
