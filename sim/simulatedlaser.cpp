#include "simulatedlaser.h"

#include "lasermodel.h"
#include "lineassembler.h"
#include "ptylink.h"
#include "replyoutbox.h"
#include "transcriptfile.h"

#include <QDebug>

#include <cerrno>
#include <cstring>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace tovra::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes that no reading of the protocol makes sense of; no carriage return and no "?" among them.
const QByteArray garbageReply = "\xfe\xff\x81\x13\xa0~\xf7";
// What a numeric query answers while the controller is said to be busy.
const QByteArray nonNumericReply = "BUSY";
// The program writes each line with a carriage return and a line feed.
constexpr qsizetype requestLineEndLength = 2;

bool isNumber(const QByteArray &text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

// The wait until the next reply is due, to the nanosecond: a reply paced at line speed must not
// come up to a millisecond late. Null means no reply is waiting.
std::optional<timespec> pollTimeout(std::optional<Clock::time_point> due)
{
    if (!due)
        return std::nullopt;
    const auto wait = std::max(std::chrono::nanoseconds(0),
                               std::chrono::duration_cast<std::chrono::nanoseconds>(*due - Clock::now()));
    return timespec{time_t(wait.count() / 1000000000), long(wait.count() % 1000000000)};
}

struct Faults
{
    bool silent = false;
    std::chrono::milliseconds delay {0};
    bool garbage = false;
    bool nonNumeric = false;
    std::optional<std::chrono::milliseconds> splitGap;
    QByteArray trailing;
    std::map<QByteArray, QByteArray> overrides;
};

} // namespace

struct SimulatedLaser::Impl
{
    explicit Impl(const LaserConfig &config)
        : pacing(config.pacing)
        , model(config, Clock::now())
    { }

    void serve(int master, int wake);
    void answer(const QByteArray &line, Clock::time_point at, ReplyOutbox &outbox);
    QByteArray replyTo(const QByteArray &line, Clock::time_point at);
    void writeDue(int master, ReplyOutbox &outbox);
    void closeWakePipe();

    template<typename Change>
    void changeFaults(Change change)
    {
        const std::lock_guard lock(mutex);
        change(faults);
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
    QList<ReceivedLine> received;
    TranscriptFile transcriptFile;

    // Touched only by the caller's thread.
    std::unique_ptr<PtyLink> pty;
    std::thread thread;
    int wakeRead = -1;
    int wakeWrite = -1;
    QString link;
    QString device;
};

void SimulatedLaser::Impl::serve(int master, int wake)
{
    LineAssembler assembler;
    ReplyOutbox outbox;
    for (;;) {
        pollfd watched[] = {{master, POLLIN, 0}, {wake, POLLIN, 0}};
        const std::optional<timespec> timeout = pollTimeout(outbox.nextDue());
        if (ppoll(watched, 2, timeout ? &*timeout : nullptr, nullptr) < 0 && errno != EINTR)
            return;
        if (watched[1].revents != 0)
            return;
        if (watched[0].revents & POLLIN) {
            char buffer[512];
            const ssize_t count = read(master, buffer, sizeof buffer);
            if (count > 0) {
                const Clock::time_point at = Clock::now();
                for (const QByteArray &line : assembler.feed(QByteArray(buffer, count)))
                    answer(line, at, outbox);
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                return;
            }
        } else if (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return;
        }
        writeDue(master, outbox);
    }
}

void SimulatedLaser::Impl::answer(const QByteArray &line, Clock::time_point at, ReplyOutbox &outbox)
{
    const std::lock_guard lock(mutex);
    received.append({line, at});
    linesArrived.notify_all();
    transcriptFile.received(line);
    if (faults.silent)
        return;

    const QByteArray reply = replyTo(line, at);
    const QByteArray ending = '\r' + faults.trailing;
    Clock::time_point due = at + faults.delay;
    if (pacing)
        due += lineTime(line.size() + requestLineEndLength + reply.size() + ending.size());
    if (faults.splitGap) {
        const qsizetype half = reply.size() / 2;
        outbox.schedule(due, {reply.left(half), reply.mid(half), ending}, *faults.splitGap);
    } else {
        outbox.schedule(due, {reply + ending});
    }
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

void SimulatedLaser::Impl::writeDue(int master, ReplyOutbox &outbox)
{
    for (const QByteArray &bytes : outbox.takeDue(Clock::now())) {
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
    d->thread = std::thread(&Impl::serve, d.get(), d->pty->masterFd(), d->wakeRead);
    return true;
}

void SimulatedLaser::stop()
{
    if (d->thread.joinable()) {
        const char wake = 0;
        if (write(d->wakeWrite, &wake, 1) != 1)
            qWarning() << "simulated laser: cannot wake its thread:" << strerror(errno);
        d->thread.join();
    }
    d->closeWakePipe();
    d->pty.reset();
}

void SimulatedLaser::vanish()
{
    stop();
}

QString SimulatedLaser::linkPath() const
{
    return d->link;
}

QString SimulatedLaser::devicePath() const
{
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

void SimulatedLaser::setGarbage(bool garbage)
{
    d->changeFaults([&](Faults &faults) { faults.garbage = garbage; });
}

void SimulatedLaser::setNonNumeric(bool nonNumeric)
{
    d->changeFaults([&](Faults &faults) { faults.nonNumeric = nonNumeric; });
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
