#include "metadata_fixtures.h"

#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <algorithm>

namespace zendavo::testing {

std::vector<std::uint8_t> exifBlock(const std::vector<ExifTag>& tags,
                                    std::span<const std::uint8_t> thumbnailJpeg, bool bigEndian)
{
    Exiv2::ExifData data;
    for (const ExifTag& tag : tags) {
        if (tag.type == 0) {
            data[tag.key] = tag.value;
        } else {
            Exiv2::Value::AutoPtr value =
                Exiv2::Value::create(static_cast<Exiv2::TypeId>(tag.type));
            value->read(tag.value);
            data.add(Exiv2::ExifKey(tag.key), value.get());
        }
    }
    if (!thumbnailJpeg.empty())
        Exiv2::ExifThumb(data).setJpegThumbnail(thumbnailJpeg.data(),
                                                static_cast<long>(thumbnailJpeg.size()));
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian, data);
    return blob;
}

std::map<std::string, std::string> exifTags(std::span<const std::uint8_t> exifTiff)
{
    std::map<std::string, std::string> tags;
    try {
        Exiv2::ExifData data;
        Exiv2::ExifParser::decode(data, exifTiff.data(),
                                  static_cast<std::uint32_t>(exifTiff.size()));
        for (const Exiv2::Exifdatum& d : data) tags[d.key()] = d.toString();
    } catch (...) {
        tags.clear();
    }
    return tags;
}

long nextIfdOffset(std::span<const std::uint8_t> b)
{
    if (b.size() < 8) return -1;
    const bool big = b[0] == 'M';
    auto read = [&](std::size_t at, int count) -> long {
        if (at + static_cast<std::size_t>(count) > b.size()) return -1;
        long v = 0;
        for (int i = 0; i < count; ++i)
            v |= static_cast<long>(b[at + (big ? count - 1 - i : i)]) << (8 * i);
        return v;
    };
    const long ifd0 = read(4, 4);
    const long entries = read(static_cast<std::size_t>(ifd0), 2);
    if (ifd0 < 0 || entries < 0) return -1;
    return read(static_cast<std::size_t>(ifd0 + 2 + 12 * entries), 4);
}

std::string xmpPacket(const std::map<std::string, std::string>& properties)
{
    Exiv2::XmpData data;
    for (const auto& [key, value] : properties) data[key] = value;
    std::string packet;
    Exiv2::XmpParser::encode(packet, data);
    return packet;
}

std::map<std::string, std::string> xmpProperties(const std::string& packet)
{
    std::map<std::string, std::string> properties;
    Exiv2::XmpData data;
    if (Exiv2::XmpParser::decode(data, packet) != 0) return properties;
    for (const Exiv2::Xmpdatum& d : data) properties[d.key()] = d.toString();
    return properties;
}

std::vector<std::uint8_t> iptcBlock(const std::map<std::string, std::string>& datasets)
{
    Exiv2::IptcData data;
    for (const auto& [key, value] : datasets) data[key] = value;
    const Exiv2::DataBuf resources = Exiv2::Photoshop::setIptcIrb(nullptr, 0, data);
    static constexpr char kSignature[] = "Photoshop 3.0";  // stored with its terminating zero
    std::vector<std::uint8_t> block(sizeof kSignature + static_cast<std::size_t>(resources.size_));
    std::copy_n(kSignature, sizeof kSignature, block.begin());
    std::copy_n(resources.pData_, resources.size_, block.begin() + sizeof kSignature);
    return block;
}

FileMetadata fileMetadata(std::span<const std::uint8_t> file)
{
    FileMetadata found;
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    image->readMetadata();
    for (const Exiv2::Exifdatum& d : image->exifData()) found.exif[d.key()] = d.toString();
    for (const Exiv2::Xmpdatum& d : image->xmpData()) found.xmp[d.key()] = d.toString();
    for (const Exiv2::Iptcdatum& d : image->iptcData()) found.iptc[d.key()] = d.toString();
    if (image->iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image->iccProfile();
        found.icc.assign(icc->pData_, icc->pData_ + icc->size_);
    }
    return found;
}

namespace {

std::vector<std::uint8_t> savedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> rgbIccProfile(std::size_t extraBytes)
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    if (extraBytes > 0) {
        std::vector<std::uint8_t> filler(extraBytes);
        for (std::size_t i = 0; i < filler.size(); ++i)
            filler[i] = static_cast<std::uint8_t>(i * 7);
        cmsWriteRawTag(profile, static_cast<cmsTagSignature>(0x7a647674),  // private 'zdvt'
                       filler.data(), static_cast<cmsUInt32Number>(filler.size()));
    }
    return savedProfile(profile);
}

std::vector<std::uint8_t> greyIccProfile()
{
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsFreeToneCurve(gamma);
    return savedProfile(profile);
}

}  // namespace zendavo::testing
