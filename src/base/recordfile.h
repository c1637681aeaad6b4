#pragma once

#include <QFile>
#include <QString>

#include <functional>

namespace tovra {

// A text file of records, one per line, each ended by carriage return and line feed, stored as
// 8-bit text. Every line goes straight to the operating system (no buffering in the program), so
// what was recorded before a crash or a power cut is on disk, and a failing write (disk full,
// medium removed) is noticed at the line that failed.
class RecordFile
{
public:
    // Creates the file afresh (an existing one is overwritten) and writes the header lines.
    // Returns false, with the file closed, when creation or a header write fails.
    bool create(const QString &fileName, const QStringList &headerLines);
    // Called once when a line cannot be written; the file is closed by then.
    void setWriteFailureHandler(std::function<void()> handler) { onWriteFailure = std::move(handler); }
    // Appends one line. Returns false when the write failed; the file is then closed.
    bool writeLine(const QString &line);
    void close();
    bool isOpen() const { return file.isOpen(); }
    QString fileName() const { return file.fileName(); }

private:
    bool writeBytes(const QString &line);

    QFile file;
    std::function<void()> onWriteFailure;
};

} // namespace tovra
