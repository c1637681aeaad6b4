#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tovra {

// libjpeg reports a fatal error by calling error_exit, which must not return. This manager jumps
// back to the caller's setjmp on `failed` with the message kept, so a failure neither ends the
// process nor leaks. The encoder and the tests' decoder share it.
struct JpegErrorManager
{
    jpeg_error_mgr library; // first, so the library's pointer leads back here
    std::jmp_buf failed;
    char message[JMSG_LENGTH_MAX] = {};

    // The standard manager with the jump back in place of the exit; for `info.err`.
    jpeg_error_mgr *install()
    {
        jpeg_std_error(&library);
        library.error_exit = jumpBack;
        return &library;
    }

    [[noreturn]] static void jumpBack(j_common_ptr info)
    {
        auto *errors = reinterpret_cast<JpegErrorManager *>(info->err);
        (*info->err->format_message)(info, errors->message);
        std::longjmp(errors->failed, 1);
    }
};

} // namespace tovra
