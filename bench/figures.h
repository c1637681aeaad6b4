#pragma once

#include <QList>
#include <QString>

class QCoreApplication;

namespace tovra::bench {

// The middle value (the mean of the two middle ones for an even count); 0 for no values.
double median(QList<double> values);

// A typical run of a fixed sequence of steps: each step's median over the runs, added up. A stall
// that strikes one step in a few of the runs (the machine's other work) moves no median; a cost that
// comes back in the same step of most runs counts in full. Runs with another number of steps than
// the first are left out.
double sumOfStepMedians(const QList<QList<double>> &runs);

// "3.21 ms"
QString milliseconds(double ms);
// "ratio 1.05 (target <= 1.10, met)": a figure set against its target, never a failure.
QString ratioAgainst(double ratio, double target);
// "ratio 2.1 % (target <= 5 %, met)"
QString percentAgainst(double percent, double target);

// One result line on standard output, flushed at once so that a long run shows its progress.
void report(const QString &line);

// The one count a benchmark takes on its command line ("--updates N"), at least 1, with --help
// and `description`; `fallback` when not given.
int countFromArguments(const QCoreApplication &app, const QString &description, const QString &name,
                       const QString &help, int fallback);

} // namespace tovra::bench
