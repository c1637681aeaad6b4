#include "rzcomport.h"

#include "linkprompts.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>

namespace tovra {

namespace {

// While reads let the GUI run, they process its events once in this time at most: short enough for
// the 5 ms task timer and for input to feel immediate, long enough that a run of prompt exchanges
// spends its time on the wire.
constexpr auto eventSlice = std::chrono::milliseconds(5);
// How long after a write the GUI's events leave the processor to whatever takes the line on this
// machine (a driver's worker, a program forwarding the port, a simulated laser), unless the line's
// own wire time is shorter.
constexpr auto lineHandOver = std::chrono::milliseconds(1);

constexpr int lastPortNumber = 100;

// Marks the port in use for the life of one read, however the read ends.
class InUseMark
{
public:
    explicit InUseMark(bool &inUse) : flag(inUse) { flag = true; }
    ~InUseMark() { flag = false; }
    InUseMark(const InUseMark &) = delete;
    InUseMark &operator=(const InUseMark &) = delete;

private:
    bool &flag;
};

// The character a "#" code of a marker stands for: decimal digits only, at most 255.
std::optional<char> characterCode(QByteArrayView code)
{
    if (code.isEmpty())
        return std::nullopt;
    int value = 0;
    for (char digit : code) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        value = value * 10 + (digit - '0');
        if (value > 255)
            return std::nullopt;
    }
    return char(value);
}

} // namespace

TRZComPort::TRZComPort(LinkPrompts &linkPrompts, QObject *owner, std::unique_ptr<SerialDevice> serialDevice)
    : QObject(owner), prompts(linkPrompts), device(std::move(serialDevice))
{
}

TRZComPort::~TRZComPort()
{
    Close();
}

bool TRZComPort::Open()
{
    Close();
    for (;;) {
        SerialDevice::OpenError error = SerialDevice::OpenError::None;
        QString reason;
        if (device->open(FPortNumber, &error, &reason))
            break;
        if (!FShowErrors
            || !prompts.retry(QStringLiteral("Error opening COM") + QString::number(FPortNumber)
                         + QStringLiteral(": ") + reason)) {
            return false;
        }
    }
    // Ptys refuse modem lines and ignore parity; the port is usable all the same.
    if (device->settingsReadable())
        device->applySettings(lineSettings());
    return device->isOpen();
}

void TRZComPort::Close()
{
    device->close();
}

void TRZComPort::Flush()
{
    if (Opened())
        device->purge();
}

bool TRZComPort::Write(const QByteArray &data)
{
    return WriteRaw(data.constData(), int(data.size()));
}

bool TRZComPort::WriteRaw(const char *data, int size)
{
    if (!Opened() && !Open())
        return false;
    if (device->write(data, size) != size)
        return false;
    FLineHandedOverAt = Clock::now() + std::min<Clock::duration>(lineHandOver, lineTime(size));
    return true;
}

void TRZComPort::Read(QByteArray &text)
{
    text.clear();
    if (refusedWhileInUse())
        return;
    if (!Opened() && !Open())
        return;
    const InUseMark inUse(FPortInUse);
    FTimedOut = false;
    if (FEndOfResponseRaw.isEmpty())
        appendWaiting(text);
    else
        collectResponse(text);
}

bool TRZComPort::WaitForInput(std::chrono::milliseconds within)
{
    if (!Opened())
        return false;
    if (InCount() <= 0)
        device->waitReadable(within);
    return InCount() > 0;
}

void TRZComPort::ReadRaw(QByteArray &buffer)
{
    buffer.clear();
    if (refusedWhileInUse())
        return;
    if (!Opened() && !Open())
        return;
    const InUseMark inUse(FPortInUse);
    const int waiting = InCount();
    if (waiting <= 0)
        return;
    buffer.resize(waiting);
    const int64_t got = device->read(buffer.data(), waiting);
    if (got < 0)
        prompts.tell(QStringLiteral("Raw read error."));
    buffer.resize(std::max<int64_t>(got, 0));
}

bool TRZComPort::Pick()
{
    QList<PortChoice> ports;
    const bool showErrors = FShowErrors;
    const int32_t currentPort = FPortNumber;
    FShowErrors = false;
    for (int port = 1; port <= lastPortNumber; ++port) {
        FPortNumber = port;
        if (Open())
            ports.append({port, devicePathForPort(port)});
    }
    // The last probe would otherwise keep its port locked while the operator chooses.
    Close();
    FShowErrors = showErrors;
    FPortNumber = currentPort;

    const std::optional<int> chosen = prompts.pickPort(ports, currentPort);
    if (!chosen)
        return false;
    FPortNumber = *chosen;
    return true;
}

template <typename T>
void TRZComPort::changeAndReopen(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    if (Opened())
        Open();
}

void TRZComPort::setBaud(int32_t baud)
{
    changeAndReopen(FBaudRate, baud);
}

void TRZComPort::setEndOfResponse(const QByteArray &marker)
{
    FEndOfResponse = marker;
    FEndOfResponseRaw = parseMarker(marker);
}

void TRZComPort::setHandshaking(THandshake handshake)
{
    changeAndReopen(FHandshake, handshake);
}

void TRZComPort::setParity(TParity parity)
{
    changeAndReopen(FParity, parity);
}

void TRZComPort::setPort(int32_t port)
{
    changeAndReopen(FPortNumber, port);
}

int32_t TRZComPort::InCount()
{
    return Opened() ? device->bytesWaiting() : 0;
}

bool TRZComPort::State() const
{
    return device->settingsReadable();
}

bool TRZComPort::Opened() const
{
    return device->isOpen();
}

QByteArray TRZComPort::parseMarker(const QByteArray &marker)
{
    const qsizetype firstCode = marker.indexOf('#');
    if (firstCode < 0)
        return marker;
    QByteArray raw = marker.left(firstCode);
    const QList<QByteArray> codes = marker.mid(firstCode + 1).split('#');
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const bool trailingHash = i == codes.size() - 1 && codes.at(i).isEmpty();
        if (trailingHash)
            break;
        const std::optional<char> character = characterCode(codes.at(i));
        if (!character)
            return marker;
        raw.append(*character);
    }
    return raw;
}

// Collects until the marker arrives. A time-out is offered to the OnTimeout handler and, with
// error boxes on, to the operator, whose Retry grants another full response time; the text
// collected so far is kept either way.
void TRZComPort::collectResponse(QByteArray &text)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(FResponseTime);
    for (;;) {
        FTimedOut = false;
        const Collection outcome = collectUntil(text, deadline);
        if (outcome == Collection::Complete)
            return;
        FTimedOut = true;
        // A vanished device is not a slow one: the next Open fails and asks its own question.
        if (outcome == Collection::Disconnected)
            return;
        if (FAllowEvents && FOnTimeout) {
            // A copy, so that the handler may replace itself.
            const std::function<void()> onTimeout = FOnTimeout;
            onTimeout();
            if (!Opened())
                return;
        }
        if (!FShowErrors || !prompts.retry(QStringLiteral("Timeout waiting for response.")))
            return;
        deadline = Clock::now() + std::chrono::milliseconds(FResponseTime);
    }
}

// Waits in poll() for input, so that a reply is taken the moment it arrives and an idle wait costs
// no CPU. With AllowEvents the GUI's events are processed at most once a slice: while the line
// written last is still on the wire, so before its reply can even begin, and again whenever a slice
// passes without the reply being complete. They hold off for a moment after the write (lineHandOver,
// or the line's wire time if that is shorter): whatever takes the line on this machine needs the
// processor then, and our events taking it would delay the reply itself. Input that poll() reports
// is always read first, so a reply that has come is returned before anything else runs. Whatever
// runs in the events may close the port, which ends the collection.
TRZComPort::Collection TRZComPort::collectUntil(QByteArray &text, Clock::time_point deadline)
{
    auto eventsAt = FAllowEvents && Clock::now() >= FNextEventsAt ? FLineHandedOverAt : Clock::now() + eventSlice;
    for (;;) {
        appendWaiting(text);
        if (text.contains(FEndOfResponseRaw))
            return Collection::Complete;
        if (!Opened())
            return Collection::Disconnected;
        const auto now = Clock::now();
        if (now > deadline)
            return Collection::DeadlinePassed;
        if (FAllowEvents && now >= eventsAt) {
            processEvents();
            eventsAt = FNextEventsAt;
            continue;
        }
        const auto waitEnd = FAllowEvents ? std::min(deadline, eventsAt) : deadline;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(waitEnd - now);
        if (device->waitReadable(wait) == SerialDevice::WaitResult::HungUp) {
            appendWaiting(text);
            Close();
        }
    }
}

void TRZComPort::processEvents()
{
    QCoreApplication::processEvents();
    FNextEventsAt = Clock::now() + eventSlice;
}

// A start bit, eight data bits, the parity bit if any and a stop bit for every byte.
TRZComPort::Clock::duration TRZComPort::lineTime(int bytes) const
{
    if (FBaudRate <= 0)
        return Clock::duration::zero();
    const int64_t bitsPerByte = FParity == TParity::parNone ? 10 : 11;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::microseconds(int64_t(bytes) * bitsPerByte * 1'000'000 / FBaudRate));
}

void TRZComPort::appendWaiting(QByteArray &text)
{
    const int waiting = InCount();
    if (waiting <= 0)
        return;
    const qsizetype start = text.size();
    text.resize(start + waiting);
    const int64_t got = device->read(text.data() + start, waiting);
    text.resize(start + std::max<int64_t>(got, 0));
}

bool TRZComPort::refusedWhileInUse()
{
    if (!FPortInUse)
        return false;
    if (FShowErrors)
        prompts.tell(QStringLiteral("Port is in use -- operation aborted"));
    return true;
}

SerialDevice::LineSettings TRZComPort::lineSettings() const
{
    return {FBaudRate, FParity, FHandshake};
}

} // namespace tovra
