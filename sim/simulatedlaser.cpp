#include "simulatedlaser.h"

#include "faults.h"
#include "lasermodel.h"
#include "lineassembler.h"
#include "ptylink.h"
#include "randomfaults.h"
#include "replyoutbox.h"
#include "transcriptfile.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tovra::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes that no reading of the protocol makes sense of; no carriage return and no "?" among them.
const QByteArray garbageReply = "\xfe\xff\x81\x13\xa0~\xf7";
// What a numeric query answers while the controller is said to be busy.
const QByteArray nonNumericReply = "BUSY";
// The program writes each line with a carriage return and a line feed.
constexpr qsizetype requestLineEndLength = 2;
// A line that never ends: digits without a carriage return, the hardest case for the program's
// number conversions. It goes out in pieces of this length, back to back at line speed.
constexpr qsizetype endlessPieceLength = 64;
const QByteArray endlessDigits = "0123456789";
// Bytes on the wake pipe: stop serving, or look at the faults again.
constexpr char stopByte = 's';
constexpr char faultsChangedByte = 'f';
constexpr char vanishByte = 'v';
// The longest endless line: long enough to outlast any test, short enough for clock arithmetic.
constexpr auto longestEndlessLine = std::chrono::hours(24);

bool isNumber(const QByteArray &text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

std::optional<Clock::time_point> earliest(std::initializer_list<std::optional<Clock::time_point>> times)
{
    std::optional<Clock::time_point> first;
    for (const auto &time : times) {
        if (time && (!first || *time < *first))
            first = time;
    }
    return first;
}

// The wait until the next write is due, to the nanosecond: a reply paced at line speed must not
// come up to a millisecond late. Null means nothing is waiting.
std::optional<timespec> pollTimeout(std::optional<Clock::time_point> due)
{
    if (!due)
        return std::nullopt;
    const auto wait = std::max(std::chrono::nanoseconds(0),
                               std::chrono::duration_cast<std::chrono::nanoseconds>(*due - Clock::now()));
    return timespec{time_t(wait.count() / 1000000000), long(wait.count() % 1000000000)};
}

// When the bytes nobody asked for are next due. Each stream starts when its fault comes on.
struct UnaskedStreams
{
    std::optional<Clock::time_point> nextLine;
    std::optional<Clock::time_point> nextEndlessPiece;
    qsizetype endlessOffset = 0;

    // Follows the faults as they are now.
    void follow(const Faults &faults, Clock::time_point now)
    {
        if (faults.unaskedLine.isEmpty() || faults.unaskedEvery <= std::chrono::milliseconds(0))
            nextLine.reset();
        else if (!nextLine)
            nextLine = now + faults.unaskedEvery;
        if (!faults.endlessUntil || now >= *faults.endlessUntil)
            nextEndlessPiece.reset();
        else if (!nextEndlessPiece)
            nextEndlessPiece = now;
    }

    // The bytes due at `now`.
    QList<QByteArray> takeDue(const Faults &faults, Clock::time_point now)
    {
        QList<QByteArray> due;
        if (nextLine && *nextLine <= now) {
            due.append(faults.unaskedLine + '\r');
            nextLine = now + faults.unaskedEvery;
        }
        if (nextEndlessPiece && *nextEndlessPiece <= now) {
            QByteArray piece;
            while (piece.size() < endlessPieceLength)
                piece += endlessDigits.at(endlessOffset++ % endlessDigits.size());
            due.append(piece);
            nextEndlessPiece = now + lineTime(endlessPieceLength);
        }
        return due;
    }
};

} // namespace

struct SimulatedLaser::Impl
{
    explicit Impl(const LaserConfig &config)
        : pacing(config.pacing)
        , model(config, Clock::now())
    { }

    enum class Ending { Stopped, Vanished };

    void run(int master, int wake);
    Ending serve(int master, int wake);
    // After a vanishing: waits out the come-back's time and links a new pty; nothing when the
    // laser stays gone or is stopped meanwhile.
    std::optional<int> comeBack(int wake);
    // False when the line makes the laser vanish.
    bool answer(const QByteArray &line, Clock::time_point at, ReplyOutbox &outbox);
    bool silences(const QByteArray &line, Clock::time_point at);
    QList<QByteArray> replyPieces(const QByteArray &line, Clock::time_point at);
    QByteArray replyTo(const QByteArray &line, Clock::time_point at);
    void writeDue(int master, const QList<QByteArray> &due);
    void wake(char byte);
    void closeWakePipe();

    template<typename Change>
    void changeFaults(Change change)
    {
        {
            const std::lock_guard lock(mutex);
            change(faults);
        }
        // Unasked bytes may now be due while the thread waits for a line.
        wake(faultsChangedByte);
    }
    // Works on the model as it stands now.
    template<typename Use>
    auto withModel(Use use)
    {
        const std::lock_guard lock(mutex);
        model.advance(Clock::now());
        return use(model);
    }

    const bool pacing;

    // Shared between the serving thread and the caller's thread.
    mutable std::mutex mutex;
    mutable std::condition_variable linesArrived;
    LaserModel model;
    Faults faults;
    std::optional<RandomFaults> randomFaults;
    std::optional<ComeBack> nextComeBack;
    int vanishings = 0;
    int comeBacks = 0;
    bool running = false; // the serving thread has not ended
    QList<ReceivedLine> received;
    TranscriptFile transcriptFile;

    // Touched only by the caller's thread, but for the pty, which the serving thread closes when
    // the laser vanishes and opens again when it comes back (the caller joins the thread before
    // it touches the pty again), and the paths, which change under the mutex when it comes back.
    std::unique_ptr<PtyLink> pty;
    std::thread thread;
    int wakeRead = -1;
    int wakeWrite = -1;
    QString link;
    QString device;
};

void SimulatedLaser::Impl::run(int master, int wake)
{
    std::optional<int> serving = master;
    while (serving && serve(*serving, wake) == Ending::Vanished) {
        pty.reset();
        {
            const std::lock_guard lock(mutex);
            ++vanishings;
            linesArrived.notify_all();
        }
        serving = comeBack(wake);
    }
    const std::lock_guard lock(mutex);
    running = false;
}

std::optional<int> SimulatedLaser::Impl::comeBack(int wake)
{
    std::optional<ComeBack> back;
    {
        const std::lock_guard lock(mutex);
        back = std::exchange(nextComeBack, std::nullopt);
    }
    if (!back)
        return std::nullopt;
    // Changes of the faults wake the thread meanwhile; only a stop ends the wait early.
    const Clock::time_point due = Clock::now() + back->after;
    for (Clock::time_point now = Clock::now(); now < due; now = Clock::now()) {
        pollfd watched = {wake, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now);
        if (poll(&watched, 1, int(left.count())) > 0) {
            char bytes[16];
            const ssize_t count = read(wake, bytes, sizeof bytes);
            if (count == 0 || std::find(bytes, bytes + std::max<ssize_t>(count, 0), stopByte) != bytes + std::max<ssize_t>(count, 0))
                return std::nullopt; // stopped while gone
        }
    }
    QString error;
    const QString path = back->linkPath.isEmpty() ? link : back->linkPath;
    std::unique_ptr<PtyLink> again = PtyLink::create(path, &error);
    if (!again) {
        qWarning().noquote() << "simulated laser cannot come back at" << path << ":" << error;
        return std::nullopt;
    }
    const std::lock_guard lock(mutex);
    LaserConfig identity = model.configuration();
    model.changeIdentity(back->model.isEmpty() ? identity.model : back->model,
                         back->serialNumber.value_or(identity.serialNumber), back->identity);
    pty = std::move(again);
    link = path;
    device = pty->devicePath();
    ++comeBacks;
    transcriptFile.note("came back at " + QFile::encodeName(path));
    linesArrived.notify_all();
    return pty->masterFd();
}

SimulatedLaser::Impl::Ending SimulatedLaser::Impl::serve(int master, int wake)
{
    LineAssembler assembler;
    ReplyOutbox outbox;
    UnaskedStreams unasked;
    for (;;) {
        {
            const std::lock_guard lock(mutex);
            unasked.follow(faults, Clock::now());
        }
        pollfd watched[] = {{master, POLLIN, 0}, {wake, POLLIN, 0}};
        const std::optional<timespec> timeout
                = pollTimeout(earliest({outbox.nextDue(), unasked.nextLine, unasked.nextEndlessPiece}));
        if (ppoll(watched, 2, timeout ? &*timeout : nullptr, nullptr) < 0 && errno != EINTR)
            return Ending::Stopped;
        if (watched[1].revents != 0) {
            char bytes[16];
            const ssize_t count = read(wake, bytes, sizeof bytes);
            if (count <= 0 || std::find(bytes, bytes + count, stopByte) != bytes + count)
                return Ending::Stopped;
            if (std::find(bytes, bytes + count, vanishByte) != bytes + count) {
                const std::lock_guard lock(mutex);
                transcriptFile.note("vanished");
                return Ending::Vanished;
            }
        }
        if (watched[0].revents & POLLIN) {
            char buffer[512];
            const ssize_t count = read(master, buffer, sizeof buffer);
            if (count > 0) {
                const Clock::time_point at = Clock::now();
                for (const QByteArray &line : assembler.feed(QByteArray(buffer, count))) {
                    if (!answer(line, at, outbox))
                        return Ending::Vanished;
                }
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                return Ending::Stopped;
            }
        } else if (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return Ending::Stopped;
        }
        const Clock::time_point now = Clock::now();
        writeDue(master, outbox.takeDue(now));
        QList<QByteArray> streamed;
        {
            const std::lock_guard lock(mutex);
            unasked.follow(faults, now);
            streamed = unasked.takeDue(faults, now);
        }
        writeDue(master, streamed);
    }
}

bool SimulatedLaser::Impl::answer(const QByteArray &line, Clock::time_point at, ReplyOutbox &outbox)
{
    const std::lock_guard lock(mutex);
    received.append({line, at});
    linesArrived.notify_all();
    transcriptFile.received(line);
    if (randomFaults) {
        const QByteArray started = randomFaults->onLine(faults, at);
        if (!started.isEmpty())
            transcriptFile.note(started);
    }
    if (faults.vanishAt && faults.vanishAt->fires(line)) {
        transcriptFile.note("vanished");
        return false;
    }
    if (silences(line, at))
        return true;

    const QList<QByteArray> pieces = replyPieces(line, at);
    Clock::time_point due = at + faults.delay;
    if (const auto lineDelay = faults.lineDelays.find(line); lineDelay != faults.lineDelays.end())
        due += lineDelay->second;
    if (pacing) {
        qsizetype length = line.size() + requestLineEndLength;
        for (const QByteArray &piece : pieces)
            length += piece.size();
        due += lineTime(length);
    }
    if (faults.endlessUntil)
        due = std::max(due, *faults.endlessUntil);
    outbox.schedule(due, pieces, faults.splitGap.value_or(std::chrono::milliseconds(0)));
    return true;
}

bool SimulatedLaser::Impl::silences(const QByteArray &line, Clock::time_point at)
{
    if (faults.silenceAt && faults.silenceAt->fires(line)) {
        faults.silenceAt.reset();
        faults.silentUntil = at + faults.silenceLength;
    }
    return faults.silent || (faults.silentUntil && at < *faults.silentUntil);
}

// The reply as it goes out: after the echo of the line, if any, whole or in pieces, perhaps twice.
QList<QByteArray> SimulatedLaser::Impl::replyPieces(const QByteArray &line, Clock::time_point at)
{
    const QByteArray reply = replyTo(line, at);
    const QByteArray ending = '\r' + faults.trailing;
    QList<QByteArray> once;
    if (faults.splitGap) {
        const qsizetype half = reply.size() / 2;
        once = {reply.left(half), reply.mid(half), ending};
    } else {
        once = {reply + ending};
    }
    QList<QByteArray> pieces;
    if (faults.echo)
        pieces.append(line + "\r\n");
    pieces += once;
    if (faults.replyTwice)
        pieces += once;
    return pieces;
}

QByteArray SimulatedLaser::Impl::replyTo(const QByteArray &line, Clock::time_point at)
{
    if (const auto override = faults.overrides.find(line); override != faults.overrides.end())
        return override->second;
    // The controller still carries the line out; only its answer is spoilt.
    const QByteArray reply = model.reply(line, at);
    if (faults.garbage)
        return garbageReply;
    if (faults.nonNumeric && isNumber(reply))
        return nonNumericReply;
    return reply;
}

void SimulatedLaser::Impl::writeDue(int master, const QList<QByteArray> &due)
{
    for (const QByteArray &bytes : due) {
        // Recorded first, so that whoever has read the reply finds it in the file.
        {
            const std::lock_guard lock(mutex);
            transcriptFile.sent(bytes);
        }
        // A full input queue loses what does not fit, as a real line would.
        if (write(master, bytes.constData(), size_t(bytes.size())) < 0 && errno != EAGAIN)
            qWarning() << "simulated laser: write failed:" << strerror(errno);
    }
}

void SimulatedLaser::Impl::wake(char byte)
{
    if (wakeWrite >= 0 && write(wakeWrite, &byte, 1) != 1 && errno != EAGAIN)
        qWarning() << "simulated laser: cannot wake its thread:" << strerror(errno);
}

void SimulatedLaser::Impl::closeWakePipe()
{
    for (int *fd : {&wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

SimulatedLaser::SimulatedLaser(const LaserConfig &config)
    : d(std::make_unique<Impl>(config))
{ }

SimulatedLaser::~SimulatedLaser()
{
    stop();
}

bool SimulatedLaser::start(const QString &linkPath)
{
    if (d->thread.joinable())
        return false;
    QString error;
    d->pty = PtyLink::create(linkPath, &error);
    if (!d->pty) {
        qWarning().noquote() << "simulated laser at" << linkPath << "cannot start:" << error;
        return false;
    }
    int wakeFds[2];
    if (pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning() << "simulated laser: pipe failed:" << strerror(errno);
        d->pty.reset();
        return false;
    }
    d->wakeRead = wakeFds[0];
    d->wakeWrite = wakeFds[1];
    d->link = linkPath;
    d->device = d->pty->devicePath();
    {
        const std::lock_guard lock(d->mutex);
        d->running = true;
    }
    d->thread = std::thread(&Impl::run, d.get(), d->pty->masterFd(), d->wakeRead);
    return true;
}

void SimulatedLaser::stop()
{
    if (d->thread.joinable()) {
        d->wake(stopByte);
        d->thread.join();
    }
    d->closeWakePipe();
    d->pty.reset();
}

// Without a come-back the laser is simply stopped; with one, its thread closes the pty and is
// waited for, so that the port is gone when this returns.
void SimulatedLaser::vanish()
{
    std::unique_lock lock(d->mutex);
    if (!d->nextComeBack || !d->running) {
        lock.unlock();
        stop();
        return;
    }
    if (d->vanishings > d->comeBacks)
        return; // gone already, waiting to come back
    const int before = d->vanishings;
    d->wake(vanishByte);
    d->linesArrived.wait(lock, [&] { return d->vanishings > before; });
}

void SimulatedLaser::setComeBack(const ComeBack &comeBack)
{
    const std::lock_guard lock(d->mutex);
    d->nextComeBack = comeBack;
}

bool SimulatedLaser::waitForComeBacks(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->linesArrived.wait_for(lock, timeout, [&] { return d->comeBacks >= count; });
}

QString SimulatedLaser::linkPath() const
{
    const std::lock_guard lock(d->mutex);
    return d->link;
}

QString SimulatedLaser::devicePath() const
{
    const std::lock_guard lock(d->mutex);
    return d->device;
}

QList<QByteArray> SimulatedLaser::transcript() const
{
    const std::lock_guard lock(d->mutex);
    QList<QByteArray> lines;
    lines.reserve(d->received.size());
    for (const ReceivedLine &received : d->received)
        lines.append(received.line);
    return lines;
}

QList<ReceivedLine> SimulatedLaser::timedTranscript() const
{
    const std::lock_guard lock(d->mutex);
    return d->received;
}

void SimulatedLaser::clearTranscript()
{
    const std::lock_guard lock(d->mutex);
    d->received.clear();
}

bool SimulatedLaser::waitForLines(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->linesArrived.wait_for(lock, timeout,
                                    [this, count] { return d->received.size() >= count; });
}

bool SimulatedLaser::setTranscriptFile(const QString &path)
{
    const std::lock_guard lock(d->mutex);
    return d->transcriptFile.open(path);
}

void SimulatedLaser::setSilent(bool silent)
{
    d->changeFaults([&](Faults &faults) { faults.silent = silent; });
}

void SimulatedLaser::setReplyDelay(std::chrono::milliseconds delay)
{
    d->changeFaults([&](Faults &faults) { faults.delay = delay; });
}

void SimulatedLaser::setReplyDelay(const QByteArray &request, std::chrono::milliseconds delay)
{
    d->changeFaults([&](Faults &faults) {
        if (delay.count() > 0)
            faults.lineDelays[request] = delay;
        else
            faults.lineDelays.erase(request);
    });
}

void SimulatedLaser::setGarbage(bool garbage)
{
    d->changeFaults([&](Faults &faults) { faults.garbage = garbage; });
}

void SimulatedLaser::setNonNumeric(bool nonNumeric)
{
    d->changeFaults([&](Faults &faults) { faults.nonNumeric = nonNumeric; });
}

void SimulatedLaser::silenceFor(std::chrono::milliseconds length)
{
    d->changeFaults([&](Faults &faults) { faults.silentUntil = Clock::now() + length; });
}

void SimulatedLaser::silenceAt(const LineTrigger &trigger, std::chrono::milliseconds length)
{
    d->changeFaults([&](Faults &faults) {
        faults.silenceAt = trigger;
        faults.silenceLength = length;
    });
}

void SimulatedLaser::setReplyTwice(bool twice)
{
    d->changeFaults([&](Faults &faults) { faults.replyTwice = twice; });
}

void SimulatedLaser::setEcho(bool echo)
{
    d->changeFaults([&](Faults &faults) { faults.echo = echo; });
}

void SimulatedLaser::setUnaskedLines(const QByteArray &line, std::chrono::milliseconds every)
{
    d->changeFaults([&](Faults &faults) {
        faults.unaskedLine = line;
        faults.unaskedEvery = every;
    });
}

void SimulatedLaser::sendEndlessLine(std::chrono::milliseconds length)
{
    d->changeFaults([&](Faults &faults) {
        faults.endlessUntil = Clock::now() + std::min<std::chrono::milliseconds>(length, longestEndlessLine);
    });
}

void SimulatedLaser::vanishAt(const LineTrigger &trigger)
{
    d->changeFaults([&](Faults &faults) { faults.vanishAt = trigger; });
}

void SimulatedLaser::setRandomFaults(uint32_t seed)
{
    const std::lock_guard lock(d->mutex);
    d->randomFaults.emplace(seed);
}

void SimulatedLaser::setSplitReplies(bool split, std::chrono::milliseconds gap)
{
    d->changeFaults([&](Faults &faults) {
        faults.splitGap = split ? std::optional(gap) : std::nullopt;
    });
}

void SimulatedLaser::setTrailingBytes(const QByteArray &bytes)
{
    d->changeFaults([&](Faults &faults) { faults.trailing = bytes; });
}

void SimulatedLaser::setReplyOverride(const QByteArray &request, const QByteArray &reply)
{
    d->changeFaults([&](Faults &faults) { faults.overrides[request] = reply; });
}

void SimulatedLaser::clearReplyOverrides()
{
    d->changeFaults([&](Faults &faults) { faults.overrides.clear(); });
}

void SimulatedLaser::raiseStatusBits(uint32_t mask)
{
    d->withModel([&](LaserModel &model) { model.raiseStatusBits(mask); });
}

void SimulatedLaser::clearStatusBits(uint32_t mask)
{
    d->withModel([&](LaserModel &model) { model.clearStatusBits(mask); });
}

void SimulatedLaser::dropEnable()
{
    d->withModel([&](LaserModel &model) { model.disable(); });
}

bool SimulatedLaser::enabled() const
{
    return d->withModel([](const LaserModel &model) { return model.enabled(); });
}

bool SimulatedLaser::firing() const
{
    return d->withModel([](const LaserModel &model) { return model.firing(); });
}

uint32_t SimulatedLaser::statusWord() const
{
    return d->withModel([](const LaserModel &model) { return model.statusWord(); });
}

uint64_t SimulatedLaser::shotCount() const
{
    return d->withModel([](const LaserModel &model) { return model.shotCount(); });
}

uint64_t SimulatedLaser::userCount() const
{
    return d->withModel([](const LaserModel &model) { return model.userCount(); });
}

} // namespace tovra::sim
