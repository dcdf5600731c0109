#include "formats/large_buffer.h"

#include <sys/mman.h>

namespace zendavo {
namespace {

constexpr std::size_t kWorthAdvising = 2 << 20;
constexpr std::uintptr_t kPage = 4096;

// Both requests are hints: a kernel without them simply faults the pages in as they are used.
void adviseResident(std::uint8_t* data, std::size_t size)
{
    const auto start = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
    if (end <= start) return;
    void* const at = reinterpret_cast<void*>(start);
    ::madvise(at, end - start, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    ::madvise(at, end - start, MADV_POPULATE_WRITE);
#endif
}

}  // namespace

void resizeLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size)
{
    if (bytes.empty() && size >= kWorthAdvising) {
        bytes.reserve(size);
        adviseResident(bytes.data(), size);
    }
    bytes.resize(size);
}

}  // namespace zendavo
