#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace tovra {

// One operating parameter as the API shows it.
struct ApiParameter
{
    QString name; // the laser's mnemonic: "RR", "DC"
    QString title; // "Repetition rate"
    QString unit; // "Hz"; empty for a count or a choice
    double value = 0;
    std::optional<double> minimum; // from the laser's limits where it has them
    std::optional<double> maximum;
    bool integer = false;

    QJsonObject toJson() const;
    // Whether `candidate` may be set, and else the allowed range in words.
    bool accepts(double candidate, QString *allowed) const;
};

// The laser side of the control API: what the server asks of the program and what it hears from
// it. The server keeps the protocol, the clients and their rules; the backend only does what a
// control of the window does. Every call that may write to the laser names its `source` (the
// client's id, "API api#3"), which the communication log records beside the line.
class ApiBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Model, serial number, firmware and the program's version.
    virtual QJsonObject identity() const = 0;
    // The last complete status update: every value with its unit and time, the status bits by
    // name, enable and fire state, link state.
    virtual QJsonObject statusSnapshot() const = 0;
    // Every parameter of the connected laser's family.
    virtual QList<ApiParameter> parameters() const = 0;
    virtual bool laserConnected() const = 0;
    // Tools > Allow Remote Firing, the operator's opt-in.
    virtual bool remoteFiringAllowed() const = 0;
    // The laser fires or is enabled, by the last status word or a request on its way.
    virtual bool firingOrEnabled() const = 0;
    // Why the laser may not fire now, as the window's fire button would be greyed ("Ok to Fire"
    // clear); empty when it may.
    virtual QString fireRefusal() const = 0;

    // Queues a parameter's new value as its control in the window would (the control follows).
    virtual void setParameter(const QString &name, double value, const QString &source) = 0;
    virtual void setEnabled(bool enabled, const QString &source) = 0;
    virtual void setFiring(bool firing, const QString &source) = 0;
    // The window's Stop: "FL 0" goes out ahead of everything and is never lost. `reason`, when
    // not empty, is noted in the log and shown in the window.
    virtual void stop(const QString &source, const QString &reason) = 0;
    // One line as the shared port sends it; `answered` gets the laser's reply (empty when it did
    // not answer).
    virtual void sendRaw(const QString &line, const QString &source, std::function<void(const QString &)> answered) = 0;
    // The window shows "Remote control: <client>" while `client` is not empty.
    virtual void showRemoteControl(const QString &client) = 0;
    // A note in the communication log (and the terminal view).
    virtual void note(const QString &text) = 0;

signals:
    // Something happened that clients may subscribe to: `kind` is one of "update", "fault",
    // "link", "fire", "setting", "log". A "fire" event carries the bools "enabled" and "firing".
    void event(const QString &kind, const QJsonObject &data);
};

} // namespace tovra
