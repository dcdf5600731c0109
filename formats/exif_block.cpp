#include "formats/exif_block.h"

#include <exiv2/exiv2.hpp>

#include <limits>
#include <mutex>

namespace zendavo {
namespace {

void lockXmpToolkit(void* data, bool lock)
{
    auto* mutex = static_cast<std::mutex*>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

// exiv2 logs to stderr by default, and its XMP toolkit must be set up once before threads share
// it; runs decode and encode on several threads.
void prepareExiv2()
{
    static std::once_flag once;
    static std::mutex xmpMutex;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpMutex);
    });
}

bool decodeExif(std::span<const std::uint8_t> exifTiff, Exiv2::ExifData& data,
                Exiv2::ByteOrder& order)
{
    if (exifTiff.empty() || exifTiff.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    prepareExiv2();
    order = Exiv2::ExifParser::decode(data, exifTiff.data(),
                                      static_cast<std::uint32_t>(exifTiff.size()));
    return !data.empty() && order != Exiv2::invalidByteOrder;
}

// Keeps the tag's own type where the new value fits in it.
void setDimension(Exiv2::ExifData& data, const char* key, int value)
{
    const auto found = data.findKey(Exiv2::ExifKey(key));
    if (found == data.end()) return;
    if (found->typeId() == Exiv2::unsignedShort && value <= 0xFFFF)
        *found = static_cast<std::uint16_t>(value);
    else
        *found = static_cast<std::uint32_t>(value);
}

void removeThumbnail(Exiv2::ExifData& data)
{
    Exiv2::ExifThumb(data).erase();
    for (auto it = data.begin(); it != data.end();) {
        if (it->groupName() == "Thumbnail")
            it = data.erase(it);
        else
            ++it;
    }
}

}  // namespace

int exifOrientation(std::span<const std::uint8_t> exifTiff)
{
    try {
        Exiv2::ExifData data;
        Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
        if (!decodeExif(exifTiff, data, order)) return 1;
        const auto found = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (found == data.end() || found->count() == 0) return 1;
        const long value = found->toLong(0);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    } catch (...) {
        return 1;
    }
}

std::vector<std::uint8_t> exifForOutput(std::span<const std::uint8_t> exifTiff, int width,
                                        int height)
{
    try {
        Exiv2::ExifData data;
        Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
        if (!decodeExif(exifTiff, data, order)) return {};
        const auto orientation = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientation != data.end()) *orientation = static_cast<std::uint16_t>(1);
        setDimension(data, "Exif.Photo.PixelXDimension", width);
        setDimension(data, "Exif.Photo.PixelYDimension", height);
        removeThumbnail(data);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, order, data);
        return blob;
    } catch (...) {
        return {};
    }
}

std::string xmpForOutput(const std::string& xmp)
{
    try {
        if (xmp.empty()) return {};
        prepareExiv2();
        Exiv2::XmpData data;
        if (Exiv2::XmpParser::decode(data, xmp) != 0 || data.empty()) return {};
        const auto orientation = data.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
        if (orientation == data.end()) return xmp;
        orientation->setValue("1");
        std::string packet;
        if (Exiv2::XmpParser::encode(packet, data) != 0) return {};
        return packet;
    } catch (...) {
        return {};
    }
}

}  // namespace zendavo
