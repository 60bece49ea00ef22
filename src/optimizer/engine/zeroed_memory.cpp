#include "optimizer/engine/zeroed_memory.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace lp {

namespace {

#if defined(__linux__)
// From this size on (a blend of a few hundred ingredients) the block is mapped directly.
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;
#endif

} // namespace

void* zeroedBlock(std::size_t bytes) {
    if (bytes == 0)
        return nullptr;
#if defined(__linux__)
    if (bytes >= kMappedFrom) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        madvise(p, bytes, MADV_HUGEPAGE); // a hint: without huge pages it works all the same
        return p;
    }
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
        munmap(block, bytes);
        return;
    }
#endif
    std::free(block);
}

} // namespace lp
