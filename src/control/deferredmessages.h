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
// the event loop once `isBusy` says that no exchange, update or task is running; the status poll
// goes on behind the open box. A text already waiting is not posted twice; messages open one
// after the other, never one inside another.
class DeferredMessages : public QObject
{
    Q_OBJECT
public:
    DeferredMessages(Desktop &desktopSeam, std::function<bool()> isBusy, QObject *parent = nullptr);

    // Shows `text` later, from the event loop, when nothing is running.
    void post(const QString &text);
    // Shows `text` now when nothing is running (an operator's menu choice), otherwise later.
    void showNowOrLater(const QString &text);
    // Forgets what is waiting (the program is ending).
    void discard();

private:
    void showWhenIdle();
    void showWaiting();

    Desktop &desktop;
    const std::function<bool()> busy;
    QTimer retry;
    QStringList waiting;
    bool showing = false;
};

} // namespace tovra
