// JPEG through libjpeg: colour as 24-bit RGB, one component as 8-bit grey, CMYK and YCCK as RGB
// (through the embedded CMYK profile when there is one). The APP markers, JFIF density and the
// quantisation tables are gathered while opening.
#pragma once

#include <memory>

#include "formats/image_decoder.h"

namespace zendavo {

class JpegDecoder final : public FileDecoder {
public:
    // Progressive files with more scans than this are refused: each scan costs a whole pass.
    static constexpr int kMaxScans = 500;

    JpegDecoder();
    ~JpegDecoder() override;

    struct Session;

private:
    bool start() override;
    bool decode(RasterImage& target) override;
    void finish() override;

    std::unique_ptr<Session> session_;
};

}  // namespace zendavo
