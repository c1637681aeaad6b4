// Bytes from the laser through the program's own port component and exchange (TRZComPort and
// Communication), as the reply to one exchange: line assembly up to the carriage return, the
// trimming, and the typed conversions. The device under the port hands out the fuzzer's bytes in
// pieces instead of a laser's replies; when they run out the line hangs up or goes quiet.
//
// Input: byte 0 picks the exchange, byte 1 the largest piece a read returns (1 to 128) and, in
// its top bit, whether the line hangs up at the end; the rest is what the laser sends.

#include "communication.h"
#include "fuzzinput.h"
#include "laserstate.h"
#include "linkprompts.h"
#include "rzcomport.h"
#include "serialdevice.h"
#include "terminalview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

using tovra::SerialDevice;

// Nobody answers: every question is closed without a choice.
class NoOperator : public tovra::LinkPrompts
{
public:
    void tell(const QString &) override { }
    bool retry(const QString &) override { return false; }
    std::optional<int> pickPort(const QList<tovra::PortChoice> &, int) override { return std::nullopt; }
    tovra::LostLinkAnswer communicationsLost() override { return tovra::LostLinkAnswer::Dismissed; }
};

class NoView : public tovra::TerminalView
{
public:
    void appendTrafficLine(const QString &, tovra::TrafficDirection) override { }
    void clearTraffic() override { }
};

// A port whose far end sends the fuzzer's bytes. Purging keeps them: they stand for a reply that
// arrives after the request was written.
class ScriptedDevice : public SerialDevice
{
public:
    void script(const QByteArray &bytes, int piece, bool hangUpAtEnd)
    {
        incoming = bytes;
        pieceSize = piece;
        hangsUp = hangUpAtEnd;
    }

    bool open(int, OpenError *, QString *) override
    {
        opened = true;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool settingsReadable() const override { return false; }
    bool applySettings(const LineSettings &) override { return false; }
    int bytesWaiting() override { return int(std::min<qsizetype>(incoming.size(), pieceSize)); }
    int64_t read(char *buffer, int64_t size) override
    {
        const qsizetype count = std::min<qsizetype>(qsizetype(size), incoming.size());
        std::memcpy(buffer, incoming.constData(), size_t(count));
        incoming.remove(0, count);
        return count;
    }
    int64_t write(const char *, int64_t size) override { return size; }
    void purge() override { }
    WaitResult waitReadable(std::chrono::milliseconds) override
    {
        if (!incoming.isEmpty())
            return WaitResult::Readable;
        return hangsUp ? WaitResult::HungUp : WaitResult::TimedOut;
    }

private:
    QByteArray incoming;
    int pieceSize = 1;
    bool hangsUp = false;
    bool opened = false;
};

bool endsTrimmed(const QString &text)
{
    return text.isEmpty() || text.back().unicode() > 32;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static NoOperator prompts;
    static NoView view;
    static tovra::LaserState state;
    static ScriptedDevice *device = nullptr;
    static tovra::TRZComPort *port = nullptr;
    static tovra::Communication *comm = nullptr;
    if (!port) {
        auto owned = std::make_unique<ScriptedDevice>();
        device = owned.get();
        port = new tovra::TRZComPort(prompts, nullptr, std::move(owned));
        port->setShowErrors(false);
        port->setEndOfResponse(QByteArrayLiteral("\r"));
        port->setResponseTime(0); // the scripted bytes are all there at once
        comm = new tovra::Communication(*port, state, view, prompts);
    }

    tovra::fuzz::FuzzInput input(data, size);
    const uint8_t exchange = input.byte();
    const uint8_t shape = input.byte();
    device->script(input.rest(), 1 + (shape & 0x7f), shape & 0x80);
    port->Open();

    switch (exchange % 6) {
    case 0:
        if (!endsTrimmed(comm->SendAndReceive(QStringLiteral("SS"))))
            std::abort();
        break;
    case 1:
        comm->QueryInt(QStringLiteral("PM"));
        break;
    case 2:
        if (const std::optional<double> value = comm->TryQueryFloat(QStringLiteral("RR")); value && !std::isfinite(*value))
            std::abort();
        break;
    case 3:
        comm->QueryCount(QStringLiteral("SC"));
        break;
    case 4:
        if (!endsTrimmed(comm->SendCommand(QStringLiteral("EN 1"))))
            std::abort();
        break;
    case 5:
        comm->SendRawLine(QStringLiteral("ID?"));
        break;
    }
    if (port->InUse())
        std::abort();
    return 0;
}
