#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovra {

// A text file of records, one per line, each ended by carriage return and line feed, stored as
// 8-bit text. Every line goes straight to the operating system (no buffering in the program), so
// what was recorded before a crash or a power cut is on disk, and a failing write (disk full,
// file-size limit, medium removed) is noticed at the line that failed. A line is recorded whole
// or not at all: what a failing write left of it is cut off again.
//
// Record files are made in folders that others may write to, under names that can be guessed.
// So the name is never followed when it is a symbolic link, and only a regular file of this user
// with no second name is taken over; anything else there counts as a file that cannot be created.
class RecordFile
{
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Creates the file afresh (an existing one of this user is emptied) and writes the header
    // lines. Returns false, with the file closed, when creation or a header write fails.
    bool create(const QString &fileName, const QStringList &headerLines);
    // Called once when a line cannot be written; the file is closed by then.
    void setWriteFailureHandler(std::function<void()> handler) { onWriteFailure = std::move(handler); }
    // Appends one line. Returns false when the write failed; the file is then closed.
    bool writeLine(const QString &line);
    void close();
    bool isOpen() const { return descriptor >= 0; }
    QString fileName() const { return name; }

private:
    bool append(const QByteArray &bytes);

    int descriptor = -1;
    qint64 recordedSize = 0; // bytes of whole lines in the file
    QString name;
    std::function<void()> onWriteFailure;
};

} // namespace tovra
