// What a photo carries besides its pixels. A BMP working copy cannot hold it, so the converter
// hands it back beside the copy and the encoder writes it into JPEG and PNG outputs.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zendavo {

// JFIF-style density: unit 0 = aspect ratio only, 1 = dots per inch, 2 = dots per cm.
struct Density {
    std::uint8_t unit = 0;
    std::uint16_t x = 1;
    std::uint16_t y = 1;
    friend bool operator==(const Density&, const Density&) = default;
};

// A JPEG source's own compression, so an output can keep it instead of dropping to quality 75.
struct JpegCompression {
    struct Component {
        int horizontalSampling = 1;
        int verticalSampling = 1;
        int quantTable = 0;
    };
    std::array<std::optional<std::array<std::uint16_t, 64>>, 4> quantTables;  // natural order
    std::vector<Component> components;  // as the source's frame header lists them
};

struct PictureMetadata {
    std::vector<std::uint8_t> exif;  // TIFF header onwards, without the "Exif\0\0" prefix
    std::string xmp;                 // the XMP packet
    std::vector<std::uint8_t> iptc;  // the APP13 "Photoshop 3.0" payload
    std::vector<std::uint8_t> icc;   // the whole ICC profile
    std::optional<Density> density;
    std::optional<JpegCompression> jpegCompression;

    bool empty() const
    {
        return exif.empty() && xmp.empty() && iptc.empty() && icc.empty() && !density &&
               !jpegCompression;
    }
};

}  // namespace zendavo
