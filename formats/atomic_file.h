// A file written under a temporary name in its target's folder and renamed over the target
// only when complete, so a failed write never leaves a truncated or damaged target behind.
// The data and the rename are flushed to the disk, so a power cut leaves either the old file
// or the whole new one (unless the file is scratch). After a failure errno still holds the system's reason for it (EEXIST
// when commit refused to replace a file).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace zendavo {

// Says whether the file found at `target` right before the rename must stay as it is.
using KeepExisting = std::function<bool(const std::filesystem::path& target)>;

// Scratch files (working copies) are worthless after a crash: they still go in place whole,
// but are not flushed to the disk, which would write every byte of a file that is about to
// be deleted.
enum class Durability { Flushed, Scratch };

class AtomicFile {
public:
    explicit AtomicFile(Durability durability = Durability::Flushed) : durability_(durability) {}
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() { abandon(); }

    // Creates the temporary file beside `target`; false when the folder cannot take it.
    bool open(const std::filesystem::path& target);
    // Appends all of `bytes`; false (and the temporary file abandoned) when that fails.
    bool write(std::span<const std::uint8_t> bytes);
    // Flushes and closes the temporary file and renames it to the target. When a file was at
    // the target on open, it is replaced (its permission bits kept) unless `keep` says it must
    // stay; when none was, a file that appeared meanwhile is never replaced. False, with the
    // temporary file removed, when nothing was put in place.
    bool commit(const KeepExisting& keep = {});
    // Removes the temporary file; the target is left as it was.
    void abandon();

    bool isOpen() const { return fd_ >= 0; }

private:
    bool flush();

    Durability durability_ = Durability::Flushed;
    int fd_ = -1;
    bool targetExisted_ = false;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
};

// Removes what killed runs left of AtomicFile's temporary files in `folder`: only names of
// its own pattern, only when older than a minute and held by no running writer.
void removeStaleTemporaries(const std::filesystem::path& folder);

}  // namespace zendavo
