#include "recordfile.h"

namespace tovra {

bool RecordFile::create(const QString &fileName, const QStringList &headerLines)
{
    close();
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    for (const QString &line : headerLines) {
        if (!writeLine(line))
            return false;
    }
    return true;
}

bool RecordFile::writeLine(const QString &line)
{
    if (!file.isOpen())
        return false;
    const QByteArray bytes = line.toLatin1() + "\r\n";
    if (file.write(bytes) != bytes.size()) {
        close();
        return false;
    }
    return true;
}

void RecordFile::close()
{
    if (file.isOpen())
        file.close();
}

} // namespace tovra
