// EXIF, XMP and IPTC blocks made with exiv2, and their values read back, for metadata tests.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace zendavo::testing {

struct ExifTag {
    std::string key;    // exiv2 key, e.g. "Exif.Image.Make"
    std::string value;  // as text, read into the tag's type
    int type = 0;       // an Exiv2::TypeId; 0 for the tag's own default
};

// A TIFF-structured EXIF block (no "Exif\0\0"); with a thumbnail when thumbnailJpeg is given.
std::vector<std::uint8_t> exifBlock(const std::vector<ExifTag>& tags,
                                    std::span<const std::uint8_t> thumbnailJpeg = {},
                                    bool bigEndian = false);

// Every tag of a block, key to text; empty when exiv2 cannot read it.
std::map<std::string, std::string> exifTags(std::span<const std::uint8_t> exifTiff);

// Offset of the IFD that follows IFD0 (0 when there is none); -1 for a block too short.
long nextIfdOffset(std::span<const std::uint8_t> exifTiff);

// An XMP packet with these properties (exiv2 keys, e.g. "Xmp.dc.creator").
std::string xmpPacket(const std::map<std::string, std::string>& properties);
std::map<std::string, std::string> xmpProperties(const std::string& packet);

// A whole APP13 payload, "Photoshop 3.0\0" and the resource holding these IPTC datasets.
std::vector<std::uint8_t> iptcBlock(const std::map<std::string, std::string>& datasets);

// What exiv2 finds in a whole JPEG or PNG file.
struct FileMetadata {
    std::map<std::string, std::string> exif, xmp, iptc;
    std::vector<std::uint8_t> icc;
};
FileMetadata fileMetadata(std::span<const std::uint8_t> file);

// LittleCMS's sRGB profile, grown by a private tag of `extraBytes` when asked; a grey profile.
std::vector<std::uint8_t> rgbIccProfile(std::size_t extraBytes = 0);
std::vector<std::uint8_t> greyIccProfile();

}  // namespace zendavo::testing
