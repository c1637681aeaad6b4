#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace tovra {

class Desktop;

// Messages that must not open where they arise. A modal box runs a nested event loop: opened
// inside an exchange's wait or a status update, it would hold that update until the operator
// answers, and nothing would be polled or recorded meanwhile. A message posted here opens from
// the event loop once `busy` says that no exchange, update or task is running; the status poll
// goes on behind the open box. A text already waiting is not posted twice.
class DeferredMessages : public QObject
{
    Q_OBJECT
public:
    DeferredMessages(Desktop &desktop, std::function<bool()> busy, QObject *parent = nullptr);

    void post(const QString &text);
    // Forgets what is waiting (the program is ending).
    void discard();
    bool isWaiting() const { return !waiting.isEmpty(); }

private:
    void showWhenIdle();

    Desktop &desktop;
    const std::function<bool()> busy;
    QTimer retry;
    QStringList waiting;
    bool showing = false;
};

} // namespace tovra
