#pragma once

#include "terminalview.h"

#include <QTextEdit>

namespace tovra {

// The terminal view `ResponseList`: a read-only list of traffic lines, black for what was sent
// and green for replies. Reply text comes from the laser and is untrusted, so it is inserted as
// plain text only; control characters inside a line are shown as their visible symbols.
class TrafficView : public QTextEdit, public TerminalView
{
    Q_OBJECT
public:
    explicit TrafficView(QWidget *parent = nullptr);

    void appendTrafficLine(const QString &line, TrafficDirection direction) override;
    void clearTraffic() override;
    // The lines shown, in order (for the About box's neighbours and for tests).
    QStringList lines() const;
};

} // namespace tovra
