#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

namespace tovra {

// Which API client holds control, and its firing lease. One client at a time may change the
// laser; while the laser fires or is enabled on a remote's request, the holder must renew the
// lease (`ping`) within every lease period, or the lease expires and the server stops the laser.
class RemoteControl : public QObject
{
    Q_OBJECT
public:
    explicit RemoteControl(std::chrono::milliseconds leasePeriod, QObject *parent = nullptr);

    bool isHeld() const { return !holderId.isEmpty(); }
    bool isHeldBy(const QString &id) const { return isHeld() && holderId == id; }
    QString holder() const { return holderDescription; }

    // False with `error` naming the holder when another client holds control.
    bool acquire(const QString &id, const QString &description, QString *error);
    // False with `error` when `id` does not hold control.
    bool release(const QString &id, QString *error);
    // Control is free again, whoever held it (the server closes).
    void clear();
    // The refusal for a client that does not hold control: names who does.
    QString refusal() const;

    // The holder fired or enabled the laser: from now on it must renew the lease.
    void armLease();
    void renewLease();
    // The laser stopped (or was stopped): no lease is needed any more.
    void endLease();
    bool leaseArmed() const { return lease.isActive(); }
    std::chrono::milliseconds leasePeriod() const { return lease.intervalAsDuration(); }

signals:
    void holderChanged(const QString &description); // empty when control is free
    void leaseExpired(const QString &holderDescription);

private:
    QString holderId;
    QString holderDescription;
    QTimer lease;
};

} // namespace tovra
