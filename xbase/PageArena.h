// Memory for the tree pages an index keeps in its cache.
//
// A seek reads a few pages out of thousands at random, so most of what it costs is the memory's
// latency. Pages carved out of 2 MB blocks that the kernel may back with huge pages need far
// fewer address translations than pages spread over the heap. Every block handed out has the
// same size (the first request fixes it); a 2 MB block goes back to the system when its last page
// is freed, except the one kept for the next pages.
#pragma once

#include <cstddef>

namespace XbPageArena {

// The size of the blocks the arena carves pages from.
constexpr std::size_t BlockSize = std::size_t{2} << 20;
// A block of BlockSize bytes aligned on its size, which the kernel may back with one huge page;
// throws std::bad_alloc when there is none. The records a table keeps in memory (RecordMemory.h)
// live in such blocks too.
void* MapBlock();
// Gives back a block MapBlock handed out.
void UnmapBlock(void* block) noexcept;

// Memory for one page object of size bytes; throws std::bad_alloc when there is none.
void* Allocate(std::size_t size);
// Gives back what Allocate handed out.
void Release(void* block) noexcept;
// The memory the arena holds from the system.
std::size_t HeldBytes();

} // namespace XbPageArena
