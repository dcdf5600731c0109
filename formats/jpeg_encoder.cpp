#include "formats/jpeg_encoder.h"

#include <algorithm>
#include <array>
#include <new>
#include <span>
#include <string_view>

#include "formats/jpeg_error.h"
#include "formats/large_buffer.h"

namespace zendavo {
namespace {

constexpr int kRowsPerCall = 16;
constexpr std::size_t kMinimumOutput = 1 << 16;
constexpr std::size_t kMaxMarkerPayload = 65533;
// jpeg_write_icc_profile numbers its APP2 markers in one byte, 65519 profile bytes each.
constexpr std::size_t kMaxIccProfile = 255 * std::size_t{65519};
constexpr int kColourComponents = 3;
constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr std::string_view kXmpHeader{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kPhotoshopHeader{"Photoshop 3.0\0", 14};

// Compressed bytes go straight into the caller's vector, grown by doubling.
struct VectorDestination {
    jpeg_destination_mgr pub;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::vector<std::uint8_t>* bytes;
};

VectorDestination& destinationOf(j_compress_ptr codec)
{
    return *reinterpret_cast<VectorDestination*>(codec->dest);
}

// Grows into a fresh buffer so its pages can be made resident in one go.
bool resizeOutput(std::vector<std::uint8_t>& bytes, std::size_t size)
{
    try {
        std::vector<std::uint8_t> larger;
        resizeLargeBuffer(larger, size);
        std::copy(bytes.begin(), bytes.end(), larger.begin());
        bytes.swap(larger);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void startOutput(j_compress_ptr codec)
{
    VectorDestination& d = destinationOf(codec);
    d.bytes->clear();
    const std::size_t estimate = std::max<std::size_t>(
        kMinimumOutput, std::size_t{codec->image_width} * codec->image_height / 8);
    if (!resizeOutput(*d.bytes, estimate)) jumpOutOfJpeg(reinterpret_cast<j_common_ptr>(codec));
    d.pub.next_output_byte = d.bytes->data();
    d.pub.free_in_buffer = d.bytes->size();
}

boolean growOutput(j_compress_ptr codec)
{
    VectorDestination& d = destinationOf(codec);
    const std::size_t used = d.bytes->size();
    if (!resizeOutput(*d.bytes, 2 * used)) jumpOutOfJpeg(reinterpret_cast<j_common_ptr>(codec));
    d.pub.next_output_byte = d.bytes->data() + used;
    d.pub.free_in_buffer = d.bytes->size() - used;
    return TRUE;
}

void finishOutput(j_compress_ptr codec)
{
    VectorDestination& d = destinationOf(codec);
    d.bytes->resize(d.bytes->size() - d.pub.free_in_buffer);
}

struct Compression {
    jpeg_compress_struct codec{};
    JpegErrorManager errors{};
    VectorDestination destination{};

    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;
    explicit Compression(std::vector<std::uint8_t>& bytes)
    {
        codec.err = silentJpegErrors(errors);
        destination.pub.init_destination = startOutput;
        destination.pub.empty_output_buffer = growOutput;
        destination.pub.term_destination = finishOutput;
        destination.bytes = &bytes;
    }
    ~Compression() { jpeg_destroy_compress(&codec); }
};

// What compress() writes besides the pixels, as plain views: it holds nothing with a destructor.
struct MarkerViews {
    std::span<const std::uint8_t> exif;  // whole APP1 payloads
    std::span<const std::uint8_t> xmp;
    std::span<const std::uint8_t> icc;
    std::span<const std::uint8_t> iptc;  // whole APP13 payload
    const Density* density = nullptr;
};

struct TableChoice {
    const JpegCompression* tables = nullptr;  // set: every output component's table is there
    bool sampling = false;                    // the source's sampling factors fit libjpeg
};

TableChoice usableSourceTables(const JpegCompression* source)
{
    TableChoice choice;
    if (!source || source->components.size() != kColourComponents) return choice;
    int maxH = 1, maxV = 1, blocks = 0;
    bool samplingInRange = true;
    for (const JpegCompression::Component& c : source->components) {
        if (c.quantTable < 0 || c.quantTable >= static_cast<int>(source->quantTables.size()) ||
            !source->quantTables[static_cast<std::size_t>(c.quantTable)])
            return choice;
        samplingInRange = samplingInRange && c.horizontalSampling >= 1 &&
                          c.horizontalSampling <= MAX_SAMP_FACTOR && c.verticalSampling >= 1 &&
                          c.verticalSampling <= MAX_SAMP_FACTOR;
        maxH = std::max(maxH, c.horizontalSampling);
        maxV = std::max(maxV, c.verticalSampling);
        blocks += c.horizontalSampling * c.verticalSampling;
    }
    choice.tables = source;
    // libjpeg downsamples by whole factors only, with at most C_MAX_BLOCKS_IN_MCU blocks per MCU.
    choice.sampling =
        samplingInRange && blocks <= C_MAX_BLOCKS_IN_MCU &&
        std::all_of(source->components.begin(), source->components.end(), [&](const auto& c) {
            return maxH % c.horizontalSampling == 0 && maxV % c.verticalSampling == 0;
        });
    return choice;
}

void useSourceTables(j_compress_ptr codec, const TableChoice& choice)
{
    const JpegCompression& source = *choice.tables;
    for (std::size_t t = 0; t < source.quantTables.size(); ++t) {
        if (!source.quantTables[t]) continue;
        std::array<unsigned int, DCTSIZE2> table{};
        std::copy(source.quantTables[t]->begin(), source.quantTables[t]->end(), table.begin());
        // Scale 100 keeps each value; without forcing baseline, values over 255 stay as they
        // are and libjpeg writes 16-bit tables.
        jpeg_add_quant_table(codec, static_cast<int>(t), table.data(), 100, FALSE);
    }
    for (int i = 0; i < kColourComponents; ++i) {
        const JpegCompression::Component& c = source.components[static_cast<std::size_t>(i)];
        codec->comp_info[i].quant_tbl_no = c.quantTable;
        if (choice.sampling) {
            codec->comp_info[i].h_samp_factor = c.horizontalSampling;
            codec->comp_info[i].v_samp_factor = c.verticalSampling;
        }
    }
}

void writeMarker(j_compress_ptr codec, int marker, std::span<const std::uint8_t> payload)
{
    if (!payload.empty())
        jpeg_write_marker(codec, marker, payload.data(), static_cast<unsigned int>(payload.size()));
}

// libjpeg leaves this function by longjmp: no object with a destructor lives in it.
bool compress(Compression& c, const BmpRows& rows, int quality, const TableChoice& tables,
              const MarkerViews& markers)
{
    if (setjmp(c.errors.jump)) return false;
    jpeg_create_compress(&c.codec);
    c.codec.dest = &c.destination.pub;
    c.codec.image_width = static_cast<JDIMENSION>(rows.width);
    c.codec.image_height = static_cast<JDIMENSION>(rows.height);
    c.codec.input_components = 3;
    // The buffer's own blue, green, red order: no conversion copy of the picture.
    c.codec.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.codec);
    if (tables.tables)
        useSourceTables(&c.codec, tables);
    else
        jpeg_set_quality(&c.codec, std::clamp(quality, 1, 100), TRUE);
    if (markers.density) {
        c.codec.density_unit = markers.density->unit;
        c.codec.X_density = markers.density->x;
        c.codec.Y_density = markers.density->y;
    }
    jpeg_start_compress(&c.codec, TRUE);
    writeMarker(&c.codec, JPEG_APP0 + 1, markers.exif);
    writeMarker(&c.codec, JPEG_APP0 + 1, markers.xmp);
    if (!markers.icc.empty())
        jpeg_write_icc_profile(&c.codec, markers.icc.data(),
                               static_cast<unsigned int>(markers.icc.size()));
    writeMarker(&c.codec, JPEG_APP0 + 13, markers.iptc);
    JSAMPROW pointers[kRowsPerCall];
    while (c.codec.next_scanline < c.codec.image_height) {
        const int first = static_cast<int>(c.codec.next_scanline);
        const int count = std::min(kRowsPerCall, rows.height - first);
        // libjpeg takes non-const rows but only reads them.
        for (int k = 0; k < count; ++k) pointers[k] = const_cast<JSAMPROW>(rows.row(first + k));
        if (jpeg_write_scanlines(&c.codec, pointers, static_cast<JDIMENSION>(count)) == 0)
            return false;
    }
    jpeg_finish_compress(&c.codec);
    return true;
}

// A marker payload: header then body, or nothing when it would not fit in one marker.
std::vector<std::uint8_t> segment(std::string_view header, std::span<const std::uint8_t> body)
{
    if (body.empty() || header.size() + body.size() > kMaxMarkerPayload) return {};
    std::vector<std::uint8_t> payload(header.begin(), header.end());
    payload.insert(payload.end(), body.begin(), body.end());
    return payload;
}

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix)
{
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

bool encodeJpeg(const BmpRows& rows, const JpegSettings& settings, const OutputMetadata* metadata,
                std::vector<std::uint8_t>& encoded)
{
    std::vector<std::uint8_t> exif, xmp, iptc;
    MarkerViews markers;
    if (metadata) {
        exif = segment(kExifHeader, metadata->exif);
        xmp = segment(kXmpHeader, bytesOf(metadata->xmp));
        // The payload normally starts with its own "Photoshop 3.0" header; bare resources get it.
        if (startsWith(metadata->iptc, kPhotoshopHeader))
            iptc = segment({}, metadata->iptc);
        else
            iptc = segment(kPhotoshopHeader, metadata->iptc);
        std::span<const std::uint8_t> icc = metadata->icc;
        if (icc.size() > kMaxIccProfile) icc = {};
        markers = {exif, xmp, icc, iptc,
                   metadata->density ? &*metadata->density : nullptr};
    }
    const TableChoice tables = usableSourceTables(settings.sourceCompression);
    Compression c(encoded);
    return compress(c, rows, settings.quality, tables, markers) && !encoded.empty();
}

}  // namespace zendavo
