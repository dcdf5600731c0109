// A decoder that parses its format itself over a stdio file, with no codec library between:
// open keeps the file once readHeader has taken it.
#pragma once

#include "formats/c_file.h"
#include "formats/image_decoder.h"

namespace zendavo {

class StdioDecoder : public ImageDecoder {
public:
    bool open(const std::filesystem::path& path, RasterImage& target) final
    {
        close();
        file_ = openForReading(path);
        if (!file_ || !readHeader()) {
            close();
            return false;
        }
        target_ = &target;
        return true;
    }

protected:
    // Reads what open needs from file_; false refuses the file.
    virtual bool readHeader() = 0;

    CFile file_;
    RasterImage* target_ = nullptr;
};

}  // namespace zendavo
