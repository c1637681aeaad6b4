#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tovra {

// A pseudo-terminal that scripts open as if it were the laser's serial port, linked at a stable
// path. Bytes from the script are cut into lines; each line waits until the program answers it,
// and the answers go back in the order the lines came. At most `MaxWaitingLines` lines wait at a
// time: past that the pty is not read until answers have gone out, so a fast script blocks in its
// write and nothing is lost.
//
// The program keeps a descriptor of the terminal side open itself, so a script that closes the
// port does not hang the line up for the program, and the next script can open it again. Closing
// the shared port closes both sides: a script still holding it sees a hang-up.
class SharedPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxLineLength = 256;
    static constexpr int MaxWaitingLines = 16;

    explicit SharedPort(QObject *parent = nullptr);
    ~SharedPort() override;

    // Where scripts find the port: TOVRA_SHARE_PATH when set, else "port" in the folder "tovra"
    // of the user's runtime folder.
    static QString defaultLinkPath();

    // Creates the pty and links it at `linkPath`. The link's folder is created with mode 0700 when
    // missing. Something already at the path is replaced only when it is a stale link of this
    // program (a link of this user into /dev/pts that no running program holds); anything else is
    // left alone and the port is not opened. False with `error` set when it cannot be opened.
    bool open(const QString &linkPath, QString *error);
    // Hangs the line up for the script and removes the link; lines not yet answered are dropped.
    void close();
    bool isOpen() const { return master >= 0; }
    QString linkPath() const { return link; }

    bool hasLine() const { return !lines.isEmpty(); }
    // The oldest complete line, without its line end; it waits for its answer from now on.
    QByteArray takeLine();
    // Answers the oldest line taken: writes `reply` followed by CR LF.
    void answer(const QByteArray &reply);
    // Lines received and not yet answered, taken or not.
    int waitingLines() const { return int(lines.size()) + linesTaken; }

signals:
    // One or more complete lines can be taken.
    void lineArrived();
    // A line grew past the limit; it is dropped and never given out.
    void overlongLineDropped();

private:
    bool createLink(const QString &path, QString *error);
    void readAvailable();
    bool assembleOneLine();
    void writeToScript(const QByteArray &bytes);

    int master = -1;
    int terminal = -1; // the program's own descriptor of the terminal side
    int lock = -1; // held while the link is ours
    QString device;
    QString link;
    QSocketNotifier *readable = nullptr;

    QByteArray unread; // bytes read from the pty, not yet cut into lines
    QByteArray current;
    bool overlong = false;
    bool afterCarriageReturn = false;
    bool readFailed = false;
    QList<QByteArray> lines;
    int linesTaken = 0;
};

} // namespace tovra
