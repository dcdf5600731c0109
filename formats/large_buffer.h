// Large byte buffers made resident in one go. Touching tens of megabytes one 4 KiB page fault
// at a time costs more than the decoding itself on some machines (virtual machines above all),
// so big buffers ask for huge pages and have their pages mapped before they are filled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zendavo {

// Resizes an empty `bytes` to `size` zero bytes (a non-empty one is simply resized). Throws
// std::bad_alloc like std::vector::resize when the storage cannot be obtained.
void resizeLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size);

}  // namespace zendavo
