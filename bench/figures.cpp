#include "figures.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>

namespace tovra::bench {

namespace {

QString verdict(double value, double target)
{
    return value <= target ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

double sumOfStepMedians(const QList<QList<double>> &runs)
{
    if (runs.isEmpty())
        return 0;
    double total = 0;
    for (qsizetype step = 0; step < runs.first().size(); ++step) {
        QList<double> times;
        for (const QList<double> &run : runs) {
            if (run.size() == runs.first().size())
                times.append(run.at(step));
        }
        total += median(times);
    }
    return total;
}

QString milliseconds(double ms)
{
    return QString::number(ms, 'f', 2) + QStringLiteral(" ms");
}

QString ratioAgainst(double ratio, double target)
{
    return QStringLiteral("ratio %1 (target <= %2, %3)")
        .arg(QString::number(ratio, 'f', 2), QString::number(target, 'f', 2), verdict(ratio, target));
}

QString percentAgainst(double percent, double target)
{
    return QStringLiteral("ratio %1 % (target <= %2 %, %3)")
        .arg(QString::number(percent, 'f', 2), QString::number(target), verdict(percent, target));
}

void report(const QString &line)
{
    QTextStream out(stdout);
    out << line << Qt::endl;
}

int countFromArguments(const QCoreApplication &app, const QString &description, const QString &name,
                       const QString &help, int fallback)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    const QCommandLineOption count(name, help, QStringLiteral("n"), QString::number(fallback));
    parser.addOption(count);
    parser.process(app);
    return std::max(1, parser.value(count).toInt());
}

} // namespace tovra::bench
