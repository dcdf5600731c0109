// Whole-file reads and complete-or-nothing writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "formats/atomic_file.h"

namespace zendavo {

// The whole file; an empty buffer when it cannot be opened or read.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

// Writes to a temporary file beside `path` and renames it over `path` only when complete, so
// a failed write leaves whatever was at `path` before untouched (AtomicFile::commit says when
// a file at `path` is replaced; `keep` may refuse it).
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         const KeepExisting& keep = {});

}  // namespace zendavo
