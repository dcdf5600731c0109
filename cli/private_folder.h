// A folder of our own under $TMPDIR (or /tmp), made with mkdtemp and removed with everything
// in it when this object goes.
#pragma once

#include <filesystem>

namespace zendavo {

class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace zendavo
