// Small picture files on disk for the tests of the run and of zendavo-cli: solid-colour
// JPEG, PNG and BMP sources made through our own encoder, a temporary folder that cleans up
// after itself, and a way to read back the colour of an output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "formats/file_io.h"
#include "formats/image_converter.h"
#include "formats/image_encoder.h"
#include "tests/support/bmp_fixture.h"

namespace zendavo::testing {

namespace fs = std::filesystem;

// Source and watermark colours far enough apart to tell every picture from the others.
inline constexpr Rgb kRed{200, 40, 40};
inline constexpr Rgb kBlue{40, 60, 210};
inline constexpr Rgb kGreen{50, 190, 70};
inline constexpr Rgb kGrey{128, 128, 128};

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "zendavo-test.XXXXXX").native();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const fs::path& path, const std::string& text)
{
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A solid picture stored at exactly `path`, in the format its letters ask for: names ending
// in png (any case) hold PNG, bmp BMP, everything else JPEG (quality 95).
inline void writePicture(const fs::path& path, Rgb colour, int width = 48, int height = 40)
{
    fs::create_directories(path.parent_path());
    const BmpBuffer bmp = makeSolidBmp(width, height, colour);
    std::string ext = path.extension().native();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".bmp") {
        writeBytes(path, bmp.bytes);
        return;
    }
    const EncoderFormat format = ext == ".png" ? EncoderFormat::Png : EncoderFormat::Jpeg;
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(bmp.view(), format, " ", &encoded, 95), 1) << path;
    writeBytes(path, encoded);
}

// The picture at `path` decoded into a BMP buffer (empty when it cannot be read).
inline BmpBuffer decodePicture(const fs::path& path)
{
    const fs::path scratch = path.parent_path() / ".decoded.bmp";
    if (convertToBmp(path, scratch) != ConvertStatus::Ok) return {};
    BmpBuffer bmp{readFile(scratch)};
    std::error_code ec;
    fs::remove(scratch, ec);
    return bmp;
}

inline bool near(Rgb a, Rgb b, int tolerance = 6)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The source colour multiplied by a watermark colour, as the compositor draws it.
inline Rgb multiplied(Rgb source, Rgb mark)
{
    return {static_cast<std::uint8_t>(source.r * mark.r / 255),
            static_cast<std::uint8_t>(source.g * mark.g / 255),
            static_cast<std::uint8_t>(source.b * mark.b / 255)};
}

inline bool startsWithJpegMarker(const fs::path& path)
{
    const std::vector<std::uint8_t> bytes = readFile(path);
    return bytes.size() > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 &&
           bytes[bytes.size() - 2] == 0xFF && bytes[bytes.size() - 1] == 0xD9;
}

// File names directly in `folder`, sorted; empty when it does not exist.
inline std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zendavo::testing
