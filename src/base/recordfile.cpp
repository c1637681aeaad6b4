#include "recordfile.h"

namespace tovra {

bool RecordFile::create(const QString &fileName, const QStringList &headerLines)
{
    close();
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    for (const QString &line : headerLines) {
        if (!writeBytes(line)) {
            close();
            return false;
        }
    }
    return true;
}

bool RecordFile::writeBytes(const QString &line)
{
    const QByteArray bytes = line.toLatin1() + "\r\n";
    return file.write(bytes) == bytes.size();
}

bool RecordFile::writeLine(const QString &line)
{
    if (!file.isOpen())
        return false;
    if (writeBytes(line))
        return true;
    close();
    if (onWriteFailure)
        onWriteFailure();
    return false;
}

void RecordFile::close()
{
    if (file.isOpen())
        file.close();
}

} // namespace tovra
