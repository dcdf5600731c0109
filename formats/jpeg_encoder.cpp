#include "formats/jpeg_encoder.h"

#include <algorithm>
#include <new>

#include "formats/jpeg_error.h"
#include "formats/large_buffer.h"

namespace zendavo {
namespace {

constexpr int kRowsPerCall = 16;
constexpr std::size_t kMinimumOutput = 1 << 16;

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

// libjpeg leaves this function by longjmp: no object with a destructor lives in it.
bool compress(Compression& c, const BmpRows& rows, int quality)
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
    jpeg_set_quality(&c.codec, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&c.codec, TRUE);
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

}  // namespace

bool encodeJpeg(const BmpRows& rows, int quality, std::vector<std::uint8_t>& encoded)
{
    Compression c(encoded);
    return compress(c, rows, quality) && !encoded.empty();
}

}  // namespace zendavo
