#pragma once

#include "terminalview.h"

#include <QTextEdit>

namespace tovra {

// The terminal view `ResponseList`: a read-only list of traffic lines, black for what was sent
// and green for replies. Reply text comes from the laser and is untrusted, so it is inserted as
// plain text only. The view holds the latest KeptLines lines and shows the first ShownCharacters
// characters of each, so that a long run or a flood of replies cannot use up the memory; the
// communication log keeps every line whole.
class TrafficView : public QTextEdit, public TerminalView
{
    Q_OBJECT
public:
    static constexpr int KeptLines = 5000;
    static constexpr int ShownCharacters = 4096;

    explicit TrafficView(QWidget *parent = nullptr);

    void appendTrafficLine(const QString &line, const QColor &colour) override;
    void clearTraffic() override;
    // The lines shown, in order (for the About box's neighbours and for tests).
    QStringList lines() const;
};

} // namespace tovra
