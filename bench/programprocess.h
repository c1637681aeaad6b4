#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tovra::bench {

class SimTranscript;
struct TrafficLine;

// The status query that opens every status poll.
inline const QByteArray StatusQuery = ";LA:SS?";

// This process's environment with the offscreen platform.
QProcessEnvironment offscreenEnvironment();

// Starts the built program (offscreen) in `labPath` with its ports at `labPath`/com<n>, ended with
// the benchmark (see childprocess.h). Its standard output goes nowhere, its errors to ours.
void startProgram(QProcess &program, const QString &executable, const QString &labPath,
                  const QStringList &arguments = {});

// Waits (up to a minute) for the first status poll, which ends the program's start-up.
bool waitForFirstPoll(SimTranscript &transcript, const QProcess &program);

// How many times `request` was received in `traffic`.
int countOf(const QList<TrafficLine> &traffic, const QByteArray &request);

// Ends a process the orderly way (SIGTERM, as from the desktop's session end), killing it if it
// does not end within 15 s.
void stop(QProcess &process);

} // namespace tovra::bench
