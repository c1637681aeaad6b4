#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

namespace tovra {

// A text file of records, one per line, each ended by carriage return and line feed, stored as
// 8-bit text. Every line goes straight to the operating system (no buffering in the program), so
// what was recorded before a crash or a power cut is on disk, and a failing write (disk full,
// file-size limit, medium removed) is noticed at the line that failed. A line is recorded whole
// or not at all: what a failing write left of it is cut off again.
//
// Nothing recorded is ever lost to a new start, and nothing this run did not write is touched:
// the first start makes a new file, and a name already taken by anything (an earlier run's file,
// a symbolic link, a pipe, another user's file) moves the new file to "<name>_2.txt",
// "<name>_3.txt" and so on. A later start in the same run appends to the file this run made, as
// long as the name still leads to that very file (a regular file of this user with one name);
// one removed or replaced meanwhile is made anew the same way.
class RecordFile
{
public:
    // The numbered names tried before the file counts as one that cannot be made.
    static constexpr int MaxNumberedNames = 1000;

    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Starts recording under `fileName` as described above and writes the header lines. Returns
    // false, with the file closed, when no file could be opened or a header write failed.
    bool open(const QString &fileName, const QStringList &headerLines);
    // Called once when a line cannot be written; the file is closed by then.
    void setWriteFailureHandler(std::function<void()> handler) { onWriteFailure = std::move(handler); }
    // Appends one line. Returns false when the write failed; the file is then closed.
    bool writeLine(const QString &line);
    void close();
    bool isOpen() const { return descriptor >= 0; }
    // The name recorded into (maybe numbered); empty before the first file was made.
    QString fileName() const { return written ? written->name : QString(); }

private:
    // The file this run made: its name, what identifies it on the file system, and its size and
    // modification time when this run closed it (an inode number is soon given again to a file
    // made in its place).
    struct Written
    {
        QString name;
        dev_t device;
        ino_t inode;
        off_t size = 0;
        struct timespec modified = {};
    };

    bool reopenWritten();
    bool createNew(const QString &fileName);
    bool append(const QByteArray &bytes);

    int descriptor = -1;
    qint64 recordedSize = 0; // bytes of whole lines in the file
    std::optional<Written> written;
    std::function<void()> onWriteFailure;
};

// `fileName` with "_<number>" before its ".txt" ("log_2.txt"); number 1 is the name itself.
QString numberedFileName(const QString &fileName, int number);

} // namespace tovra
