#include "deferredmessages.h"

#include "desktop.h"

#include <chrono>

namespace tovra {

namespace {

// How soon a message looks again whether its moment has come: a status update takes some
// hundred milliseconds, so the message follows it closely without waking the program often.
constexpr auto retryInterval = std::chrono::milliseconds(50);

} // namespace

DeferredMessages::DeferredMessages(Desktop &desktopSeam, std::function<bool()> isBusy, QObject *parent)
    : QObject(parent)
    , desktop(desktopSeam)
    , busy(std::move(isBusy))
{
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &DeferredMessages::showWhenIdle);
}

void DeferredMessages::post(const QString &text)
{
    if (!waiting.contains(text))
        waiting.append(text);
    if (!showing)
        retry.start(0);
}

void DeferredMessages::showNowOrLater(const QString &text)
{
    post(text);
    if (!showing && !busy()) {
        retry.stop();
        showWaiting();
    }
}

void DeferredMessages::discard()
{
    waiting.clear();
    retry.stop();
}

void DeferredMessages::showWhenIdle()
{
    if (showing)
        return;
    if (busy()) {
        retry.start(retryInterval);
        return;
    }
    showWaiting();
}

// The open box's own event loop may bring further messages: they follow once it is closed.
void DeferredMessages::showWaiting()
{
    showing = true;
    while (!waiting.isEmpty())
        desktop.message(waiting.takeFirst());
    showing = false;
}

} // namespace tovra
