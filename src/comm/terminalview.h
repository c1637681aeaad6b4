#pragma once

#include <QColor>
#include <QString>

namespace tovra {

// Where the exchange shows the commands it sends and their replies (the main window's terminal
// view). Lines are plain text in one colour each, with control characters already escaped by the
// exchange; nothing in them is ever interpreted as markup.
class TerminalView
{
public:
    virtual ~TerminalView() = default;
    virtual void appendTrafficLine(const QString &line, const QColor &colour) = 0;
    virtual void clearTraffic() = 0;
};

} // namespace tovra
