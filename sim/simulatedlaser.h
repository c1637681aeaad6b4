#pragma once

// The far end of the serial line: a model of the laser's controller behind a pseudo-terminal.
// Tests start it in-process (it runs on a thread of its own, standing for a separate device);
// the tovra-sim executable runs it stand-alone. The program never knows whether this or a real
// laser answers.

#include "laserconfig.h"
#include "linetrigger.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace tovra::sim {

// One received line with the time it arrived (monotonic clock).
struct ReceivedLine
{
    QByteArray line; // without its carriage return and line feed
    std::chrono::steady_clock::time_point at;
};

// How a laser that vanished comes back, as after a cable pulled and plugged in again: after
// `after`, linked at `linkPath` (empty: where it was), and optionally as another unit (another
// model name or serial number, or a whole "ID?" reply that is no laser's). Its state carries on.
struct ComeBack
{
    std::chrono::milliseconds after{0};
    QString linkPath;
    QByteArray model;               // empty: the same
    std::optional<int32_t> serialNumber;
    QByteArray identity;            // not empty: the whole "ID?" reply
};

class SimulatedLaser
{
public:
    explicit SimulatedLaser(const LaserConfig &config = {});
    ~SimulatedLaser(); // stops the thread, closes the pty, removes the link

    // Opens a pty and links its device node at `linkPath` (replacing what is there).
    bool start(const QString &linkPath);
    void stop();
    QString linkPath() const;
    QString devicePath() const; // the pty's own node (/dev/pts/N)

    // Every line received so far, in order, without line ends.
    QList<QByteArray> transcript() const;
    QList<ReceivedLine> timedTranscript() const;
    void clearTranscript();
    // Waits (up to `timeout`) until at least `count` lines were received.
    bool waitForLines(int count, std::chrono::milliseconds timeout) const;
    // Writes every line exchanged, with time stamps, to `path` as it happens.
    bool setTranscriptFile(const QString &path);

    // Faults on demand. All take effect for the next request.
    void setSilent(bool silent);                       // read requests, answer nothing
    void setReplyDelay(std::chrono::milliseconds delay); // answer late (on top of pacing)
    // Answers the exact line `request` late by `delay` (0 ends it), every other line at once.
    void setReplyDelay(const QByteArray &request, std::chrono::milliseconds delay);
    void setGarbage(bool garbage);                     // answer unreadable bytes
    void setNonNumeric(bool nonNumeric);               // numeric queries answer a word
    void setSplitReplies(bool split, std::chrono::milliseconds gap = std::chrono::milliseconds(5));
    void setTrailingBytes(const QByteArray &bytes);    // written right after each reply's CR
    void setReplyOverride(const QByteArray &request, const QByteArray &reply); // exact line
    void clearReplyOverrides();
    void silenceFor(std::chrono::milliseconds length);  // from now on, then answer again
    // Goes silent for `length` when the line picked out arrives (that line included).
    void silenceAt(const LineTrigger &trigger, std::chrono::milliseconds length);
    void setReplyTwice(bool twice);                    // every reply goes out twice
    void setEcho(bool echo);                           // each line comes back (CR LF) before its reply
    // Writes `line` + CR every `every`, asked or not; an empty line or no interval stops it.
    void setUnaskedLines(const QByteArray &line, std::chrono::milliseconds every);
    // Sends digits without CR at line speed for `length` from now; replies due meanwhile follow
    // when it ends. A length of 0 stops the digits (replies already held keep their time).
    void sendEndlessLine(std::chrono::milliseconds length);
    // Vanishes (as vanish()) when the line picked out arrives, without answering it.
    void vanishAt(const LineTrigger &trigger);
    // From the next line on, faults come and go by chance (see randomfaults.h), chosen by a
    // generator seeded with `seed`; each fault that starts is noted in the transcript file.
    void setRandomFaults(uint32_t seed);
    void raiseStatusBits(uint32_t mask);   // fault bits (temperature, power) forced on
    void clearStatusBits(uint32_t mask);
    void dropEnable();                     // the unit disables itself
    void vanish();                         // close the pty: the port hangs up and is gone
    // The next vanishing (vanish() or vanishAt) is followed by a come-back; once back, the laser
    // vanishes for good unless this is set again.
    void setComeBack(const ComeBack &comeBack);
    // Waits (up to `timeout`) until the laser has come back `count` times in all.
    bool waitForComeBacks(int count, std::chrono::milliseconds timeout) const;

    // State of the simulated laser, for assertions.
    bool enabled() const;
    bool firing() const;
    uint32_t statusWord() const;
    uint64_t shotCount() const;
    uint64_t userCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tovra::sim
