#pragma once

#include <QtGlobal>

#include <functional>

namespace tovra {

// Writes `size` bytes to the descriptor `fd`, writing again after a partial write or an
// interrupted call (EINTR). When the descriptor would block (EAGAIN), `wouldBlock` decides: it may
// wait or make room and return true to go on, or return false to give up; without it the write
// gives up. Returns how many bytes went out; less than `size` means the write failed (errno says
// why) or was given up.
qint64 writeAll(int fd, const char *data, qint64 size, const std::function<bool()> &wouldBlock = {});

} // namespace tovra
