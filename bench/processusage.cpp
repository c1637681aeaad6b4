#include "processusage.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <sys/resource.h>
#include <unistd.h>

namespace tovra::bench {

namespace {

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

QByteArray procFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The number after "key:" in /proc/<pid>/status (kB for memory lines).
std::optional<qint64> statusField(qint64 pid, const QByteArray &key)
{
    for (const QByteArray &line : procFile(pid, "status").split('\n')) {
        if (!line.startsWith(key + ':'))
            continue;
        const QList<QByteArray> words = line.mid(key.size() + 1).simplified().split(' ');
        bool ok = false;
        const qint64 value = words.value(0).toLongLong(&ok);
        return ok ? std::optional<qint64>(value) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

double ownCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::optional<double> cpuSecondsOf(qint64 pid)
{
    // The command name in parentheses may hold blanks; the numbered fields follow its ")".
    const QByteArray stat = procFile(pid, "stat");
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    constexpr int utimeIndex = 11; // field 14 of stat, counted from field 3 (the state)
    constexpr int stimeIndex = 12;
    if (fields.size() <= stimeIndex)
        return std::nullopt;
    const double ticks = double(fields.at(utimeIndex).toLongLong() + fields.at(stimeIndex).toLongLong());
    return ticks / double(sysconf(_SC_CLK_TCK));
}

std::optional<double> runSecondsOf(qint64 pid)
{
    const QStringList threads = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return std::nullopt;
    qint64 nanoseconds = 0;
    for (const QString &thread : threads) {
        QFile file(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(thread));
        if (file.open(QIODevice::ReadOnly))
            nanoseconds += file.readAll().split(' ').value(0).toLongLong();
    }
    return double(nanoseconds) / 1e9;
}

std::optional<double> peakResidentMiB(qint64 pid)
{
    const std::optional<qint64> kib = statusField(pid, "VmHWM");
    return kib ? std::optional<double>(double(*kib) / 1024.0) : std::nullopt;
}

std::optional<double> residentMiB(qint64 pid)
{
    const std::optional<qint64> kib = statusField(pid, "VmRSS");
    return kib ? std::optional<double>(double(*kib) / 1024.0) : std::nullopt;
}

std::optional<int> openDescriptorsOf(qint64 pid)
{
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    if (!descriptors.exists())
        return std::nullopt;
    return int(descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

std::optional<qint64> voluntarySwitchesOf(qint64 pid)
{
    return statusField(pid, "voluntary_ctxt_switches");
}

void UsageMeter::begin()
{
    cpuStart = ownCpuSeconds();
    wallStart = Clock::now();
}

double UsageMeter::end()
{
    const std::chrono::duration<double> stretch = Clock::now() - wallStart;
    cpu += ownCpuSeconds() - cpuStart;
    wall += stretch;
    return stretch.count() * 1000.0;
}

double UsageMeter::cpuPercentOfWall() const
{
    return wall.count() > 0 ? 100.0 * cpu / wall.count() : 0;
}

} // namespace tovra::bench
