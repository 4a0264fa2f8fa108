#pragma once
// How the process's allocator treats large blocks.

namespace sv::memory {

// A configurator reads and rewrites the whole configuration file on every click, allocating and
// freeing blocks of the file's size each time. By default such blocks are mapped fresh from the
// system and returned at once, so every click faults all of their pages in again. From this call
// on, blocks up to 64 MiB come from the heap and freed memory up to 256 MiB stays there for the
// next click. The peak size of the process does not grow by it.
void keepLargeBlocksForReuse();

}  // namespace sv::memory
