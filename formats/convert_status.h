// The result of converting a picture file into a 24-bit .bmp working copy.
#pragma once

namespace zendavo {

enum class ConvertStatus : int {
    Ok = 1,              // the destination holds the complete .bmp
    SourceMissing = -1,  // nothing exists at the source path
    Undecodable = -3,    // no decoder accepted the file, or the one that did failed
    WriteFailed = -4,    // the destination could not be written
    MissingPath = -7,    // a path was not given
};

const char* describe(ConvertStatus status);

}  // namespace zendavo
