#include "transcriptfile.h"

#include <QTime>

namespace tovra::sim {

namespace {

QByteArray printable(const QByteArray &bytes)
{
    QByteArray text;
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '\r')
            text += "\\r";
        else if (byte == '\n')
            text += "\\n";
        else if (byte == '\\')
            text += "\\\\";
        else if (code < 0x20 || code >= 0x7f)
            text += "\\x" + QByteArray::number(code, 16).rightJustified(2, '0');
        else
            text += byte;
    }
    return text;
}

} // namespace

bool TranscriptFile::open(const QString &path)
{
    if (file.isOpen())
        file.close();
    file.setFileName(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void TranscriptFile::received(const QByteArray &line)
{
    write("<-", line);
}

void TranscriptFile::sent(const QByteArray &bytes)
{
    write("->", bytes);
}

void TranscriptFile::note(const QByteArray &text)
{
    write("!!", text);
}

void TranscriptFile::write(const char *direction, const QByteArray &bytes)
{
    if (!file.isOpen())
        return;
    const QByteArray stamp
            = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1();
    file.write(stamp + ' ' + direction + ' ' + printable(bytes) + '\n');
    file.flush();
}

} // namespace tovra::sim
