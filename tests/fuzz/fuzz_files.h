// Files for fuzz targets whose code under test reads paths: one private folder per process,
// on a memory file system where there is one (the writer flushes every file it completes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace zendavo::fuzz {

// Writes `data` to the process's input file, padded with zero bytes up to `minimumLength`.
std::filesystem::path writeInput(std::span<const std::uint8_t> data, std::size_t minimumLength = 0);

// A path in the same folder for what the code under test writes.
std::filesystem::path outputPath();

}  // namespace zendavo::fuzz
