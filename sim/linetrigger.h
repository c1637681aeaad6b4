#pragma once

#include <QByteArray>

namespace tovra::sim {

// Picks out one coming line for a fault: the nth line from now (1 is the next one) or the first
// line that holds a given text (a mnemonic such as "SS?" or a whole command such as "FL 0").
class LineTrigger
{
public:
    static LineTrigger nthLine(int n) { return LineTrigger(n, {}); }
    static LineTrigger lineHolding(const QByteArray &text) { return LineTrigger(0, text); }

    // Looks at one received line; true once, for the line picked out.
    bool fires(const QByteArray &line)
    {
        if (spent)
            return false;
        spent = text.isEmpty() ? --linesLeft <= 0 : line.contains(text);
        return spent;
    }

private:
    LineTrigger(int n, const QByteArray &text) : linesLeft(n), text(text) { }

    int linesLeft;
    QByteArray text;
    bool spent = false;
};

} // namespace tovra::sim
