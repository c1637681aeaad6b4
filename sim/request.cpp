#include "request.h"

namespace tovra::sim {

namespace {

constexpr char queryMark = '?';

QByteArray withoutPrefix(const QByteArray &line, bool *valid)
{
    *valid = true;
    if (!line.startsWith(';'))
        return line;
    for (const char *prefix : {";LA:", ";LC:"}) {
        if (line.startsWith(prefix))
            return line.mid(qstrlen(prefix));
    }
    *valid = false;
    return {};
}

} // namespace

Request Request::parse(const QByteArray &line)
{
    qsizetype start = 0;
    while (start < line.size() && line.at(start) == ' ')
        ++start;
    bool valid = false;
    // Trailing blanks are kept for commands: "PW " carries an empty password.
    const QByteArray body = withoutPrefix(line.mid(start), &valid);
    const QByteArray trimmedBody = body.trimmed();
    Request request;
    if (!valid || trimmedBody.isEmpty())
        return request;

    if (trimmedBody.endsWith(queryMark)) {
        request.kind = Kind::Query;
        request.mnemonic = trimmedBody.chopped(1).toUpper();
    } else {
        request.kind = Kind::Command;
        const qsizetype blank = body.indexOf(' ');
        if (blank < 0) {
            request.mnemonic = body.toUpper();
        } else {
            request.mnemonic = body.left(blank).toUpper();
            request.argument = body.mid(blank + 1);
        }
    }
    if (request.mnemonic.isEmpty() || request.mnemonic.contains(' '))
        request.kind = Kind::Malformed;
    return request;
}

} // namespace tovra::sim
