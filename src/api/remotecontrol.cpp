#include "remotecontrol.h"

namespace tovra {

RemoteControl::RemoteControl(std::chrono::milliseconds leasePeriod, QObject *parent)
    : QObject(parent)
{
    lease.setSingleShot(true);
    lease.setInterval(leasePeriod);
    connect(&lease, &QTimer::timeout, this, [this] { emit leaseExpired(holderDescription); });
}

bool RemoteControl::acquire(const QString &id, const QString &description, QString *error)
{
    if (isHeld() && holderId != id) {
        *error = refusal();
        return false;
    }
    holderId = id;
    holderDescription = description;
    emit holderChanged(holderDescription);
    return true;
}

bool RemoteControl::release(const QString &id, QString *error)
{
    if (!isHeldBy(id)) {
        *error = isHeld() ? refusal() : QStringLiteral("No client holds control");
        return false;
    }
    clear();
    return true;
}

void RemoteControl::clear()
{
    if (!isHeld())
        return;
    endLease();
    holderId.clear();
    holderDescription.clear();
    emit holderChanged(QString());
}

QString RemoteControl::refusal() const
{
    return isHeld() ? QStringLiteral("Control is held by ") + holderDescription
                    : QStringLiteral("Control is not held: call control.acquire first");
}

void RemoteControl::armLease()
{
    lease.start();
}

void RemoteControl::renewLease()
{
    if (lease.isActive())
        lease.start();
}

void RemoteControl::endLease()
{
    lease.stop();
}

} // namespace tovra
