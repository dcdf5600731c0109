#include "formats/jpeg_decoder.h"

#include <algorithm>

#include "formats/image_limits.h"
#include "formats/jpeg_error.h"

namespace zendavo {

struct JpegDecoder::Session {
    jpeg_decompress_struct codec{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
};

namespace {

using Session = JpegDecoder::Session;

// Several rows per call: libjpeg hands back a whole row group at once when it can.
constexpr JDIMENSION kRowsPerCall = 16;

void limitScans(j_common_ptr codec)
{
    if (reinterpret_cast<j_decompress_ptr>(codec)->input_scan_number > JpegDecoder::kMaxScans)
        jumpOutOfJpeg(codec);
}

bool startsWithJpegMarker(std::FILE* file)
{
    unsigned char start[2] = {};
    const bool marked = readExactly(file, start, 2) && start[0] == 0xFF && start[1] == 0xD8;
    return marked && std::fseek(file, 0, SEEK_SET) == 0;
}

// libjpeg leaves these two functions by longjmp: no object with a destructor lives in them.
bool startDecompress(Session& s, std::FILE* file)
{
    if (setjmp(s.errors.jump)) return false;
    jpeg_create_decompress(&s.codec);
    s.progress.progress_monitor = limitScans;
    s.codec.progress = &s.progress;
    jpeg_stdio_src(&s.codec, file);
    if (jpeg_read_header(&s.codec, TRUE) != JPEG_HEADER_OK) return false;
    // Checked before start_decompress, which allocates (a whole coefficient image when
    // progressive).
    if (!withinImageLimits(s.codec.image_width, s.codec.image_height)) return false;
    return jpeg_start_decompress(&s.codec) == TRUE;
}

bool readRows(Session& s, RasterImage& image)
{
    if (setjmp(s.errors.jump)) return false;
    JSAMPROW rows[kRowsPerCall];
    while (s.codec.output_scanline < s.codec.output_height) {
        const JDIMENSION first = s.codec.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, s.codec.output_height - first);
        for (JDIMENSION k = 0; k < count; ++k) rows[k] = image.row(static_cast<int>(first + k));
        if (jpeg_read_scanlines(&s.codec, rows, count) == 0) return false;
    }
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder() = default;

JpegDecoder::~JpegDecoder()
{
    close();
}

bool JpegDecoder::open(const std::filesystem::path& path, RasterImage& target)
{
    close();
    file_ = openForReading(path);
    if (!file_ || !startsWithJpegMarker(file_.get())) {
        close();
        return false;
    }
    session_ = std::make_unique<Session>();
    session_->codec.err = silentJpegErrors(session_->errors);
    const bool started = startDecompress(*session_, file_.get());
    const int components = session_->codec.output_components;
    if (!started || session_->codec.output_width < 1 || session_->codec.output_height < 1 ||
        (components != 1 && components != 3)) {
        close();
        return false;
    }
    target_ = &target;
    return true;
}

bool JpegDecoder::read()
{
    if (!session_ || !target_) return false;
    const jpeg_decompress_struct& codec = session_->codec;
    const int bits = codec.output_components == 3 ? 24 : 8;
    const bool ok = target_->create(codec.output_width, codec.output_height, bits) &&
                    readRows(*session_, *target_);
    close();
    return ok;
}

void JpegDecoder::close()
{
    // No jpeg_finish_decompress: it only checks the tail of the file; destroy frees everything.
    if (session_) jpeg_destroy_decompress(&session_->codec);
    session_.reset();
    file_.reset();
    target_ = nullptr;
}

}  // namespace zendavo
