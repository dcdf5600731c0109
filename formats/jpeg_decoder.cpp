#include "formats/jpeg_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <lcms2.h>

#include "formats/image_limits.h"
#include "formats/jpeg_error.h"
#include "formats/large_buffer.h"

namespace zendavo {

struct JpegDecoder::Session {
    ~Session()
    {
        if (created) jpeg_destroy_decompress(&codec);
    }

    jpeg_decompress_struct codec{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    long headerWarnings = 0;
};

namespace {

using Session = JpegDecoder::Session;

// Several rows per call: libjpeg hands back a whole row group at once when it can.
constexpr JDIMENSION kRowsPerCall = 16;
constexpr unsigned kApp1 = JPEG_APP0 + 1;
constexpr unsigned kApp2 = JPEG_APP0 + 2;
constexpr unsigned kApp13 = JPEG_APP0 + 13;
constexpr unsigned kMaxMarkerBytes = 0xFFFF;
constexpr char kExifPrefix[] = "Exif\0";  // with the string's own terminator: "Exif\0\0"
constexpr std::size_t kExifPrefixLength = 6;
constexpr char kXmpPrefix[] = "http://ns.adobe.com/xap/1.0/";  // followed by its terminator
constexpr char kPhotoshopPrefix[] = "Photoshop 3.0";
// A Huffman-coded block costs at least one bit in the first scan; arithmetic coding can do with
// much less, but not with nothing.
constexpr std::int64_t kBlocksPerHuffmanByte = 8;
constexpr std::int64_t kBlocksPerArithmeticByte = 128;
constexpr std::int64_t kCoefficientBytesPerBlock = DCTSIZE2 * sizeof(JCOEF);

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

bool startsWith(const jpeg_marker_struct& marker, const char* prefix, std::size_t length)
{
    return marker.data_length >= length && std::memcmp(marker.data, prefix, length) == 0;
}

// Only looks at what libjpeg has already read; never raises an error.
void gatherMarkers(const jpeg_decompress_struct& codec, PictureMetadata& metadata)
{
    for (const jpeg_marker_struct* m = codec.marker_list; m; m = m->next) {
        const std::uint8_t* data = m->data;
        if (m->marker == kApp1 && metadata.exif.empty() &&
            startsWith(*m, kExifPrefix, kExifPrefixLength)) {
            metadata.exif.assign(data + kExifPrefixLength, data + m->data_length);
        } else if (m->marker == kApp1 && metadata.xmp.empty() &&
                   startsWith(*m, kXmpPrefix, sizeof kXmpPrefix)) {
            metadata.xmp.assign(reinterpret_cast<const char*>(data) + sizeof kXmpPrefix,
                                m->data_length - sizeof kXmpPrefix);
        } else if (m->marker == kApp13 && metadata.iptc.empty() &&
                   startsWith(*m, kPhotoshopPrefix, sizeof kPhotoshopPrefix)) {
            metadata.iptc.assign(data, data + m->data_length);
        }
    }
    if (codec.saw_JFIF_marker)
        metadata.density = Density{codec.density_unit, codec.X_density, codec.Y_density};
    JpegCompression compression;
    for (std::size_t t = 0; t < compression.quantTables.size(); ++t)
        if (const JQUANT_TBL* table = codec.quant_tbl_ptrs[t]) {
            std::array<std::uint16_t, 64> values{};
            std::copy_n(table->quantval, values.size(), values.begin());
            compression.quantTables[t] = values;
        }
    for (int c = 0; c < codec.num_components; ++c) {
        const jpeg_component_info& info = codec.comp_info[c];
        compression.components.push_back(
            {info.h_samp_factor, info.v_samp_factor, info.quant_tbl_no});
    }
    metadata.jpegCompression = std::move(compression);
}

std::int64_t componentBlocks(const jpeg_component_info& info)
{
    return static_cast<std::int64_t>(info.width_in_blocks) * info.height_in_blocks;
}

// The file must hold data for the first scan, and a whole-image coefficient buffer (progressive
// and multi-scan files) must stay within what one decode may hold.
bool hasDataToDecode(const jpeg_decompress_struct& codec, std::FILE* file)
{
    const long consumed = std::ftell(file);
    const std::int64_t length = fileLength(file);
    if (consumed < 0 || length < 0) return false;
    const std::int64_t remaining =
        length - consumed + static_cast<std::int64_t>(codec.src->bytes_in_buffer);
    if (codec.progressive_mode && codec.Ss != 0) return false;  // no DC scan first: damaged
    std::int64_t scanBlocks = 0;
    for (int c = 0; c < codec.comps_in_scan; ++c) scanBlocks += componentBlocks(*codec.cur_comp_info[c]);
    const std::int64_t perByte = codec.arith_code ? kBlocksPerArithmeticByte : kBlocksPerHuffmanByte;
    if (remaining < 1 || scanBlocks > remaining * perByte) return false;
    std::int64_t coefficientBytes = 0;
    if (jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&codec))) {
        for (int c = 0; c < codec.num_components; ++c)
            coefficientBytes += componentBlocks(codec.comp_info[c]) * kCoefficientBytesPerBlock;
    }
    return coefficientBytes <= kMaxDecodeBytes;
}

// libjpeg leaves these functions by longjmp: no object with a destructor lives in them.
bool readHeader(Session& s, std::FILE* file)
{
    if (setjmp(s.errors.jump)) return false;
    jpeg_create_decompress(&s.codec);
    s.created = true;
    s.codec.mem->max_memory_to_use = kMaxDecodeBytes;
    s.progress.progress_monitor = limitScans;
    s.codec.progress = &s.progress;
    jpeg_stdio_src(&s.codec, file);
    jpeg_save_markers(&s.codec, kApp1, kMaxMarkerBytes);
    jpeg_save_markers(&s.codec, kApp2, kMaxMarkerBytes);
    jpeg_save_markers(&s.codec, kApp13, kMaxMarkerBytes);
    if (jpeg_read_header(&s.codec, TRUE) != JPEG_HEADER_OK) return false;
    const int components = s.codec.num_components;
    const J_COLOR_SPACE space = s.codec.jpeg_color_space;
    if (space == JCS_CMYK || space == JCS_YCCK)
        s.codec.out_color_space = JCS_CMYK;
    else if (components != 1 && components != 3)
        return false;
    return withinImageLimits(s.codec.image_width, s.codec.image_height) &&
           hasDataToDecode(s.codec, file);
}

bool readIcc(Session& s, JOCTET*& profile, unsigned& length)
{
    if (setjmp(s.errors.jump)) return false;
    return jpeg_read_icc_profile(&s.codec, &profile, &length) == TRUE;
}

bool startDecompress(Session& s)
{
    if (setjmp(s.errors.jump)) return false;
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

// Samples as libjpeg delivers them, taken as Adobe-inverted CMYK (0 = full ink).
void invertedCmykToRgb(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x, in += 4, out += 3) {
        const unsigned k = in[3];
        out[0] = static_cast<std::uint8_t>((in[0] * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((in[1] * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((in[2] * k + 127) / 255);
    }
}

bool readCmykRows(Session& s, RasterImage& image, std::uint8_t* cmyk, cmsHTRANSFORM transform)
{
    if (setjmp(s.errors.jump)) return false;
    const std::size_t width = s.codec.output_width;
    while (s.codec.output_scanline < s.codec.output_height) {
        const auto r = static_cast<int>(s.codec.output_scanline);
        JSAMPROW row = cmyk;
        if (jpeg_read_scanlines(&s.codec, &row, 1) == 0) return false;
        if (transform)
            cmsDoTransform(transform, cmyk, image.row(r), static_cast<cmsUInt32Number>(width));
        else
            invertedCmykToRgb(cmyk, image.row(r), width);
    }
    return true;
}

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// CMYK through its embedded profile to sRGB; nothing when there is no usable CMYK profile.
Transform cmykTransform(const std::vector<std::uint8_t>& icc, bool adobeInverted)
{
    if (icc.empty()) return nullptr;
    const Profile cmyk(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    if (!cmyk || cmsGetColorSpace(cmyk.get()) != cmsSigCmykData) return nullptr;
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb) return nullptr;
    return Transform(cmsCreateTransform(cmyk.get(), adobeInverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                                        srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL,
                                        cmsFLAGS_BLACKPOINTCOMPENSATION));
}

}  // namespace

JpegDecoder::JpegDecoder() = default;
JpegDecoder::~JpegDecoder() = default;

bool JpegDecoder::start()
{
    if (!startsWithJpegMarker(file_.get())) return false;
    session_ = std::make_unique<Session>();
    Session& s = *session_;
    s.codec.err = silentJpegErrors(s.errors);
    if (!readHeader(s, file_.get())) return false;
    gatherMarkers(s.codec, metadata_);
    JOCTET* profile = nullptr;
    unsigned profileLength = 0;
    if (readIcc(s, profile, profileLength) && profile)
        metadata_.icc.assign(profile, profile + profileLength);
    std::free(profile);
    s.headerWarnings = s.codec.err->num_warnings;
    width_ = static_cast<int>(s.codec.image_width);
    height_ = static_cast<int>(s.codec.image_height);
    return true;
}

bool JpegDecoder::decode(RasterImage& target)
{
    Session& s = *session_;
    const bool cmyk = s.codec.out_color_space == JCS_CMYK;
    Transform transform;
    if (cmyk) {
        try {
            transform = cmykTransform(metadata_.icc, s.codec.saw_Adobe_marker);
        } catch (const std::bad_alloc&) {
            return false;
        }
        // The picture leaves here as RGB: a CMYK profile no longer describes it.
        metadata_.icc.clear();
    }
    if (!startDecompress(s) || s.codec.output_width < 1 || s.codec.output_height < 1) return false;
    const int components = s.codec.output_components;
    if (components != (cmyk ? 4 : s.codec.num_components == 1 ? 1 : 3)) return false;
    if (!target.create(s.codec.output_width, s.codec.output_height, components == 1 ? 8 : 24))
        return false;
    bool ok = false;
    if (cmyk) {
        try {
            std::vector<std::uint8_t> row(4 * static_cast<std::size_t>(s.codec.output_width));
            ok = readCmykRows(s, target, row.data(), transform.get());
        } catch (const std::bad_alloc&) {
            return false;
        }
    } else {
        ok = readRows(s, target);
    }
    if (ok && s.codec.err->num_warnings > s.headerWarnings) warning_ = DecodeWarning::IncompleteData;
    return ok;
}

void JpegDecoder::finish()
{
    // No jpeg_finish_decompress: it only checks the tail of the file; destroy frees everything.
    session_.reset();
}

}  // namespace zendavo
