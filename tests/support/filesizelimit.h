#pragma once

#include <csignal>
#include <sys/resource.h>

namespace tovra::test {

// Limits how large a file this process may write, for the length of a test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG instead
        rlimit limit = previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        ::signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous = {};
};

} // namespace tovra::test
