// The shape every picture decoder shares: open checks the header and says whether the decoder
// takes the file, read fills the target image, close releases the file and the codec state.
#pragma once

#include <filesystem>

#include "formats/raster_image.h"

namespace zendavo {

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // True when this decoder takes the file; everything is closed again when it refuses.
    virtual bool open(const std::filesystem::path& path, RasterImage& target) = 0;
    // Creates the target at the decoded size and fills it; closes everything either way.
    virtual bool read() = 0;
    // May be called at any time.
    virtual void close() = 0;
};

}  // namespace zendavo
