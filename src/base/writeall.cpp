#include "writeall.h"

#include <cerrno>
#include <unistd.h>

namespace tovra {

qint64 writeAll(int fd, const char *data, qint64 size, const std::function<bool()> &wouldBlock)
{
    qint64 written = 0;
    while (written < size) {
        const ssize_t put = ::write(fd, data + written, size_t(size - written));
        if (put > 0)
            written += put;
        else if (put < 0 && errno == EINTR)
            continue;
        else if (put < 0 && errno == EAGAIN && wouldBlock && wouldBlock())
            continue;
        else
            break;
    }
    return written;
}

} // namespace tovra
