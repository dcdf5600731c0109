// An owned C stdio file, closed when it goes out of scope.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace zendavo {

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, CFileCloser>;

inline CFile openForReading(const std::filesystem::path& path)
{
    return CFile(std::fopen(path.c_str(), "rb"));
}

// Reads exactly `count` bytes; false on a short read.
inline bool readExactly(std::FILE* file, void* into, std::size_t count)
{
    return std::fread(into, 1, count, file) == count;
}

// The length of the file, or -1 when it cannot be found.
inline std::int64_t fileLength(std::FILE* file)
{
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

}  // namespace zendavo
