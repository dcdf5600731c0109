// Encodes a 24-bit .bmp held in memory into JPEG, PNG or BMP and writes it under the naming rule.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/picture_metadata.h"

namespace zendavo {

enum class EncoderFormat : int { Bmp = 1, Jpeg = 2, Gif = 3, Tiff = 4, Png = 5 };

// ".bmp", ".jpg", ".gif", ".tiff", ".png"; empty for a code without an encoder.
std::string defaultExtension(EncoderFormat format);

// The name written for outputPath: outputPath itself when it ends in the format's extension
// (letter case of A to Z ignored), else outputPath with the extension appended.
std::string encodedFileName(const std::string& outputPath, EncoderFormat format);

struct EncodeOptions {
    int quality = 75;            // JPEG, clamped to 1..100
    bool sourceQuality = false;  // JPEG: metadata->jpegCompression's tables and sampling when
                                 // present and usable, else quality 75
    const PictureMetadata* metadata = nullptr;  // carried into JPEG and PNG outputs, not BMP
};

// 1 when encoded bytes were obtained and, for a path that is not all spaces, written in full to
// encodedFileName(outputPath); 0 otherwise (no file is left then). encodedBytes, when given,
// receives a copy of the encoded bytes. quality applies to JPEG only (clamped to 1..100).
// GIF and TIFF have no encoder and give 0.
int encodeBmp(std::span<const std::uint8_t> bmpBytes, EncoderFormat format,
              const std::string& outputPath, std::vector<std::uint8_t>* encodedBytes = nullptr,
              int quality = 75);
int encodeBmp(std::span<const std::uint8_t> bmpBytes, EncoderFormat format,
              const std::string& outputPath, const EncodeOptions& options,
              std::vector<std::uint8_t>* encodedBytes = nullptr);

}  // namespace zendavo
