// The shape every picture decoder shares: open checks the header and says whether the decoder
// takes the file (its size and metadata are then known), read creates and fills the picture,
// close releases the file and the codec state.
#pragma once

#include <filesystem>

#include "formats/c_file.h"
#include "formats/decode_warning.h"
#include "formats/picture_metadata.h"
#include "formats/raster_image.h"

namespace zendavo {

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // True when this decoder takes the file; everything is closed again when it refuses.
    virtual bool open(const std::filesystem::path& path) = 0;
    // The stored size (before any turning the metadata asks for); valid after a successful open.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The raw blocks found while opening; after read, less what no longer describes the
    // pixels (a CMYK profile).
    virtual const PictureMetadata& metadata() const = 0;
    // Creates the target at the decoded size and fills it; closes everything either way.
    virtual bool read(RasterImage& target) = 0;
    // What a successful read worked around.
    virtual DecodeWarning warning() const = 0;
    // May be called at any time.
    virtual void close() = 0;
};

// The common shell: the open file, the size and metadata found by start, the warning left by
// decode. Derived decoders keep their codec state in members that finish releases.
class FileDecoder : public ImageDecoder {
public:
    bool open(const std::filesystem::path& path) final
    {
        close();
        warning_ = DecodeWarning::None;
        metadata_ = {};
        path_ = path;
        file_ = openForReading(path);
        if (file_ && start()) return true;
        close();
        return false;
    }

    bool read(RasterImage& target) final
    {
        const bool ok = file_ && decode(target);
        close();
        if (!ok) target.clear();
        return ok;
    }

    void close() final
    {
        finish();
        file_.reset();
        path_.clear();
        width_ = height_ = 0;
    }

    int width() const final { return width_; }
    int height() const final { return height_; }
    const PictureMetadata& metadata() const final { return metadata_; }
    DecodeWarning warning() const final { return warning_; }

protected:
    // Reads the header from file_ (or path_); sets width_ and height_. False refuses the file.
    virtual bool start() = 0;
    virtual bool decode(RasterImage& target) = 0;
    // Releases the codec state; file_ is closed afterwards.
    virtual void finish() {}

    CFile file_;
    std::filesystem::path path_;
    int width_ = 0;
    int height_ = 0;
    PictureMetadata metadata_;
    DecodeWarning warning_ = DecodeWarning::None;
};

}  // namespace zendavo
