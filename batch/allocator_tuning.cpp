#include "batch/allocator_tuning.h"

#include <malloc.h>

#include <limits>

namespace zendavo {

void keepLargeBuffersInTheHeap()
{
    mallopt(M_ARENA_MAX, 1);  // worker threads share the heap, so their buffers are reused too
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    mallopt(M_TOP_PAD, 64 << 20);
}

}  // namespace zendavo
