// JPEG through libjpeg at its default decompression settings: colour as 24-bit RGB, one
// component as 8-bit grey; four components (CMYK, YCCK) are refused.
#pragma once

#include <memory>

#include "formats/c_file.h"
#include "formats/image_decoder.h"

namespace zendavo {

class JpegDecoder final : public ImageDecoder {
public:
    // Progressive files with more scans than this are refused: each scan costs a whole pass.
    static constexpr int kMaxScans = 500;

    JpegDecoder();
    ~JpegDecoder() override;

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
