// A file written under a temporary name in its target's folder and renamed over the target
// only when complete, so a failed write never leaves a truncated or damaged target behind.
// After a failure errno still holds the system's reason for it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace zendavo {

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() { abandon(); }

    // Creates the temporary file beside `target`; false when the folder cannot take it.
    bool open(const std::filesystem::path& target);
    // Appends all of `bytes`; false (and the temporary file abandoned) when that fails.
    bool write(std::span<const std::uint8_t> bytes);
    // Closes the temporary file and renames it over the target.
    bool commit();
    // Removes the temporary file; the target is left as it was.
    void abandon();

    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
};

}  // namespace zendavo
