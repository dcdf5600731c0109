// libjpeg's error manager made silent: a fatal error leaves the codec call by longjmp to the
// jump buffer set by the caller, and warnings are counted but never printed.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace zendavo {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
};

[[noreturn]] inline void jumpOutOfJpeg(j_common_ptr codec)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(codec->err)->jump, 1);
}

inline void countJpegWarning(j_common_ptr codec, int level)
{
    if (level < 0) ++codec->err->num_warnings;
}

inline void dropJpegMessage(j_common_ptr) {}

inline jpeg_error_mgr* silentJpegErrors(JpegErrorManager& manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = jumpOutOfJpeg;
    manager.pub.emit_message = countJpegWarning;
    manager.pub.output_message = dropJpegMessage;
    return &manager.pub;
}

}  // namespace zendavo
