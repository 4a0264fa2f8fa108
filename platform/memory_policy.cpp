#include "memory_policy.h"

#include <malloc.h>

namespace sv::memory {

void keepLargeBlocksForReuse() {
    constexpr int kHeapBlockLimit = 64 << 20;
    constexpr int kKeptFreeMemory = 256 << 20;
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
}

}  // namespace sv::memory
