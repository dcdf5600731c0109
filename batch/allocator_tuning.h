// Process set-up for programs that run batches: keeps the large picture buffers of one image
// in the heap for the next one instead of handing them back to the system.
#pragma once

namespace zendavo {

// Every image needs buffers of tens of megabytes. Left to mmap, each is fresh memory whose
// first touch costs a page fault per 4 KiB, which on a virtual machine can cost more than
// decoding the JPEG; kept in one heap that does not shrink, the next image reuses the pages.
// Call once at start-up, before any thread is started.
void keepLargeBuffersInTheHeap();

}  // namespace zendavo
