#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include "sharelink.h"


class QSocketNotifier;

namespace tovra {

// A pseudo-terminal that scripts open as if it were the laser's serial port, linked at a stable
// path. Bytes from the script are cut into lines; each line waits until the program answers it,
// and the answers go back in the order the lines came. At most `MaxWaitingLines` lines wait at a
// time: past that the pty is not read until answers have gone out, so a fast script blocks in its
// write and nothing is lost.
//
// A line longer than `MaxLineLength` is never given out: the port answers it itself with
// "Line too long", in its turn, so that a script that writes and then reads stays in step.
//
// The program keeps a descriptor of the terminal side open itself, so a script that closes the
// port does not hang the line up for the program, and the next script can open it again. Closing
// the shared port closes both sides: a script still holding it sees a hang-up.
//
// A pty refuses a set-up that changes nothing it supports (it drops parity) with EINVAL, so a
// script opening it at the laser's line settings would succeed once only. Whenever a script
// closes it, or has sent a line, its speed is set back to one no script asks for, so the next
// open changes the speed again.
class SharedPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxLineLength = 256;
    static constexpr int MaxWaitingLines = 16;
    static constexpr const char *LineTooLong = "Line too long";

    explicit SharedPort(QObject *parent = nullptr);
    ~SharedPort() override;

    // Where scripts find the port: TOVRA_SHARE_PATH when set, else "port" in the folder "tovra"
    // of the user's runtime folder.
    static QString defaultLinkPath();

    // Creates the pty and links it at `linkPath` (see ShareLink for which folder and which link
    // found there are taken). False with `error` set when it cannot be opened.
    bool open(const QString &linkPath, QString *error);
    // Hangs the line up for the script and removes the link; lines not yet answered are dropped.
    void close();
    bool isOpen() const { return master >= 0; }
    QString linkPath() const { return link.path(); }

    bool hasLine() const { return !lines.isEmpty() && !lines.first().tooLong; }
    // The oldest complete line, without its line end; it waits for its answer from now on.
    QByteArray takeLine();
    // Answers the oldest line taken: writes `reply` followed by CR LF.
    void answer(const QByteArray &reply);
    // Lines received and not yet answered, taken or not.
    int waitingLines() const { return int(lines.size()) + linesTaken; }

signals:
    // One or more complete lines can be taken.
    void lineArrived();
    // A line grew past the limit; it was answered "Line too long" and never given out.
    void overlongLineAnswered();

private:
    struct Line
    {
        QByteArray text;
        bool tooLong = false;
    };

    bool watchClosing(QString *error);
    void noticeScriptClosed();
    void letNextSetUpThrough();
    void readAvailable();
    bool assembleOneLine();
    void answerOverlongLines();
    void writeToScript(const QByteArray &bytes);

    int master = -1;
    int terminal = -1; // the program's own descriptor of the terminal side
    int closings = -1; // inotify: a script closed the terminal side
    QString device;
    ShareLink link;
    QSocketNotifier *readable = nullptr;
    QSocketNotifier *closed = nullptr;

    QByteArray unread; // bytes read from the pty, not yet cut into lines
    QByteArray current;
    bool overlong = false;
    bool afterCarriageReturn = false;
    bool readFailed = false;
    QList<Line> lines;
    int linesTaken = 0;
};

} // namespace tovra
