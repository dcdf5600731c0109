// PNG through libpng, 8 bits per sample or fewer: palette pictures as 8-bit indexes, grey as
// 8-bit grey, colour as 24 bits and colour with alpha as 32 bits (alpha first).
#pragma once

#include <memory>

#include "formats/c_file.h"
#include "formats/image_decoder.h"

namespace zendavo {

class PngDecoder final : public ImageDecoder {
public:
    PngDecoder();
    ~PngDecoder() override;

    bool open(const std::filesystem::path& path, RasterImage& target) override;
    bool read() override;
    void close() override;

    struct Session;

private:
    std::unique_ptr<Session> session_;
    CFile file_;
    RasterImage* target_ = nullptr;
};

}  // namespace zendavo
