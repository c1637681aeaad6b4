#pragma once

#include "serialdevice.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace tovra {

class LinkPrompts;

// The program's serial port component: owns one port, opens it by number with fixed line
// settings, writes text and collects one response up to an end-of-response marker within a
// response time. While a read waits it can let the GUI process events; a second read during that
// time is refused. Every byte the program exchanges with the laser passes through one instance.
class TRZComPort : public QObject
{
    Q_OBJECT
public:
    explicit TRZComPort(LinkPrompts &linkPrompts, QObject *owner = nullptr,
                        std::unique_ptr<SerialDevice> serialDevice = createSerialDevice());
    ~TRZComPort() override;

    bool Open();
    void Close();
    void Flush();
    bool Write(const QByteArray &data);
    bool WriteRaw(const char *data, int size);
    // Collects one response into `text` (empty when the port is busy or cannot be opened). A line
    // that hangs up meanwhile closes the port and ends the read as timed out, without OnTimeout
    // and without a box: the next Open fails instead.
    void Read(QByteArray &text);
    // Waits without processing events until input is waiting or `within` has passed; true when
    // input is waiting.
    bool WaitForInput(std::chrono::milliseconds within);
    // Reads every byte waiting into `buffer` (resized to what was read).
    void ReadRaw(QByteArray &buffer);
    // Lets the operator choose the port from those that open; true when one was chosen.
    bool Pick();

    bool AllowEvents() const { return FAllowEvents; }
    void setAllowEvents(bool allow) { FAllowEvents = allow; }
    int32_t Baud() const { return FBaudRate; }
    void setBaud(int32_t baud);
    QByteArray EndOfResponse() const { return FEndOfResponse; }
    QByteArray EndOfResponseRaw() const { return FEndOfResponseRaw; }
    void setEndOfResponse(const QByteArray &marker);
    THandshake Handshaking() const { return FHandshake; }
    void setHandshaking(THandshake handshake);
    TParity Parity() const { return FParity; }
    void setParity(TParity parity);
    int32_t InCount();
    bool State() const;
    bool InUse() const { return FPortInUse; }
    uint32_t ResponseTime() const { return FResponseTime; }
    void setResponseTime(uint32_t ms) { FResponseTime = ms; }
    bool Opened() const;
    int32_t Port() const { return FPortNumber; }
    void setPort(int32_t port);
    bool ShowErrors() const { return FShowErrors; }
    void setShowErrors(bool show) { FShowErrors = show; }
    bool TimedOut() const { return FTimedOut; }
    QString Version() const { return FVersion; }
    // Called when a read times out while AllowEvents is set.
    void setOnTimeout(std::function<void()> handler) { FOnTimeout = std::move(handler); }

    // Parses an end-of-response marker as written by a user of the component ("#13#10" and the
    // like) into the bytes that are searched for.
    static QByteArray parseMarker(const QByteArray &marker);

private:
    using Clock = std::chrono::steady_clock;
    enum class Collection { Complete, DeadlinePassed, Disconnected };

    void collectResponse(QByteArray &text);
    Collection collectUntil(QByteArray &text, Clock::time_point deadline);
    void appendWaiting(QByteArray &text);
    // Lets the GUI process its pending events (AllowEvents) and notes when they are due again.
    void processEvents();
    // How long `bytes` take on the line at the port's speed and framing.
    Clock::duration lineTime(int bytes) const;
    bool refusedWhileInUse();
    template <typename T>
    void changeAndReopen(T &field, T value);
    SerialDevice::LineSettings lineSettings() const;

    LinkPrompts &prompts;
    std::unique_ptr<SerialDevice> device;

    bool FAllowEvents = false;
    int32_t FBaudRate = 9600;
    THandshake FHandshake = THandshake::hsNone;
    TParity FParity = TParity::parNone;
    QByteArray FEndOfResponse;
    QByteArray FEndOfResponseRaw;
    bool FPortInUse = false;
    int32_t FPortNumber = 1;
    uint32_t FResponseTime = 1000;
    bool FShowErrors = true;
    bool FTimedOut = false;
    const QString FVersion = QStringLiteral("2.0.2");
    std::function<void()> FOnTimeout;
    Clock::time_point FNextEventsAt;
    // When the GUI's events may first run after the line written last (see collectUntil).
    Clock::time_point FLineHandedOverAt;
};

} // namespace tovra
