#include "optimizer/engine/zeroed_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace lp {

namespace {

#if defined(__linux__)
// From this size on (a blend of about 150 ingredients) the block is mapped directly, and a
// released block is kept for the next tableau: on a virtual machine the page faults of a
// fresh mapping cost more than the simplex that fills it (3 ms for 12 MB), while clearing a
// kept block costs a tenth of that. Below it calloc serves the block from the heap.
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
constexpr int kKeptBlocks = 2;
// A mapping starts with its own size; the caller's block follows, aligned for any vector.
constexpr std::size_t kHeader = 64;

struct Kept {
    void* mapping = nullptr;
    std::size_t size = 0;
    unsigned long released = 0; // when it was released: the oldest goes first
};

std::mutex keptMutex;
Kept kept[kKeptBlocks];
unsigned long releases = 0;

void* userBlock(void* mapping) {
    return static_cast<char*>(mapping) + kHeader;
}

// The smallest kept mapping that holds `size` bytes. A larger one serves a smaller tableau
// too: it is held anyway, and only the part asked for is cleared.
void* takeKept(std::size_t size) {
    std::lock_guard<std::mutex> lock(keptMutex);
    Kept* best = nullptr;
    for (Kept& k : kept)
        if (k.mapping != nullptr && k.size >= size && (best == nullptr || k.size < best->size))
            best = &k;
    if (best == nullptr)
        return nullptr;
    return std::exchange(best->mapping, nullptr);
}

// Keeps the released mapping in a free slot, or in place of the one released longest ago;
// returns the mapping to unmap, if any.
Kept keep(Kept released) {
    std::lock_guard<std::mutex> lock(keptMutex);
    released.released = ++releases;
    Kept* slot = &kept[0];
    for (Kept& k : kept)
        if (k.mapping == nullptr || (slot->mapping != nullptr && k.released < slot->released))
            slot = &k;
    return std::exchange(*slot, released);
}

void* mapBlock(std::size_t bytes) {
    const std::size_t size = bytes + kHeader;
    if (void* mapping = takeKept(size)) {
        std::memset(userBlock(mapping), 0, bytes);
        return userBlock(mapping);
    }
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::bad_alloc();
    madvise(mapping, size, MADV_HUGEPAGE); // a hint: without huge pages it works all the same
    *static_cast<std::size_t*>(mapping) = size;
    return userBlock(mapping);
}

void releaseMapped(void* block) {
    void* mapping = static_cast<char*>(block) - kHeader;
    const Kept out = keep({mapping, *static_cast<std::size_t*>(mapping)});
    if (out.mapping != nullptr)
        munmap(out.mapping, out.size);
}
#endif

} // namespace

void* zeroedBlock(std::size_t bytes) {
    if (bytes == 0)
        return nullptr;
#if defined(__linux__)
    if (bytes >= kMappedFrom)
        return mapBlock(bytes);
#endif
    void* p = std::calloc(bytes, 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void releaseZeroedBlock(void* block, std::size_t bytes) noexcept {
    if (block == nullptr)
        return;
#if defined(__linux__)
    if (bytes >= kMappedFrom) {
        releaseMapped(block);
        return;
    }
#endif
    std::free(block);
}

} // namespace lp
