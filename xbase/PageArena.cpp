#include "xbase/PageArena.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <vector>

namespace {

constexpr std::size_t kChunkSize = XbPageArena::BlockSize;
constexpr std::size_t kLine = 64;

// The head of a 2 MB block; its pages follow it.
struct TChunk {
    void* Free = nullptr;      // pages given back, linked through their first bytes
    std::size_t Used = 0;      // pages handed out
    std::size_t Fresh = kLine; // where the first page never handed out begins
    bool HasRoom = true;       // listed among the blocks with room
};

struct TArena {
    std::mutex Lock;
    std::size_t PageSize = 0;
    std::size_t Chunks = 0;
    std::vector<TChunk*> WithRoom;
};

// Never destroyed: pages may still be given back while the program ends.
TArena& Arena() {
    static TArena* arena = new TArena;
    return *arena;
}

std::size_t RoundUp(std::size_t size) { return (size + kLine - 1) / kLine * kLine; }

// A block aligned on its size, so that a page finds its block's head by rounding its address.
TChunk* NewChunk() {
    return new (XbPageArena::MapBlock()) TChunk;
}

TChunk* ChunkOf(void* block) {
    return reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(kChunkSize - 1));
}

void* Take(TChunk& chunk, std::size_t size) {
    void* block = chunk.Free;
    if (block) {
        chunk.Free = *static_cast<void**>(block);
    } else if (chunk.Fresh + size <= kChunkSize) {
        block = reinterpret_cast<char*>(&chunk) + chunk.Fresh;
        chunk.Fresh += size;
    } else {
        return nullptr;
    }
    ++chunk.Used;
    ASAN_UNPOISON_MEMORY_REGION(block, size);
    return block;
}

} // namespace

void* XbPageArena::MapBlock() {
    void* mapped =
        ::mmap(nullptr, 2 * kChunkSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kChunkSize - 1) & ~(kChunkSize - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    ::munmap(reinterpret_cast<void*>(aligned + kChunkSize), start + kChunkSize - aligned);
    ::madvise(reinterpret_cast<void*>(aligned), kChunkSize, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void XbPageArena::UnmapBlock(void* block) noexcept {
    ::munmap(block, kChunkSize);
}

void* XbPageArena::Allocate(std::size_t size) {
    TArena& arena = Arena();
    const std::lock_guard<std::mutex> hold(arena.Lock);
    if (arena.PageSize == 0) arena.PageSize = RoundUp(size);
    if (RoundUp(size) != arena.PageSize || arena.PageSize > kChunkSize - kLine)
        throw std::bad_alloc();
    while (!arena.WithRoom.empty()) {
        TChunk* chunk = arena.WithRoom.back();
        if (void* block = Take(*chunk, arena.PageSize)) return block;
        chunk->HasRoom = false;
        arena.WithRoom.pop_back();
    }
    TChunk* chunk = NewChunk();
    ++arena.Chunks;
    arena.WithRoom.push_back(chunk);
    return Take(*chunk, arena.PageSize);
}

void XbPageArena::Release(void* block) noexcept {
    if (!block) return;
    TArena& arena = Arena();
    const std::lock_guard<std::mutex> hold(arena.Lock);
    TChunk* chunk = ChunkOf(block);
    *static_cast<void**>(block) = chunk->Free;
    // Under the address checker a page given back may not be touched again (its first bytes
    // link it to the free ones, which only the arena reads).
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + sizeof(void*),
                              arena.PageSize - sizeof(void*));
    chunk->Free = block;
    --chunk->Used;
    if (!chunk->HasRoom) {
        chunk->HasRoom = true;
        arena.WithRoom.push_back(chunk);
    }
    if (chunk->Used == 0 && arena.WithRoom.size() > 1) {
        arena.WithRoom.erase(std::find(arena.WithRoom.begin(), arena.WithRoom.end(), chunk));
        ASAN_UNPOISON_MEMORY_REGION(chunk, kChunkSize); // the addresses may be mapped again
        UnmapBlock(chunk);
        --arena.Chunks;
    }
}

std::size_t XbPageArena::HeldBytes() {
    TArena& arena = Arena();
    const std::lock_guard<std::mutex> hold(arena.Lock);
    return arena.Chunks * kChunkSize;
}

