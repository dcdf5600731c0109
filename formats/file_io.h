// Whole-file reads and complete-or-nothing writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace zendavo {

// The whole file; an empty buffer when it cannot be opened or read.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

// Writes to a temporary file beside `path` and renames it over `path` only when complete, so
// a failed write leaves whatever was at `path` before untouched.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace zendavo
