#pragma once

#include <cstddef>
#include <new>

namespace lp {

// Memory for the tableau: it arrives zeroed from the system, so a tableau of hundreds of
// thousands of entries is not written twice (once with zeros, once with its rows), and on
// Linux a large one is asked for in huge pages, so its first touch costs a few faults
// instead of thousands. The last two large blocks released are kept, and the next large
// tableau they can hold gets one cleared, which costs less than faulting in fresh pages.
// Most of a tableau stays zero.
void* zeroedBlock(std::size_t bytes);
void releaseZeroedBlock(void* block, std::size_t bytes) noexcept;

template <typename T> struct ZeroedAllocator {
    using value_type = T;

    ZeroedAllocator() = default;
    template <typename U> ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(zeroedBlock(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { releaseZeroedBlock(p, n * sizeof(T)); }

    // Value-initialising an element leaves it as the system gave it: zero. (The zeroed block
    // already holds the element, as memory from calloc or mmap does.)
    template <typename U> void construct(U*) noexcept {}
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }

    template <typename U> bool operator==(const ZeroedAllocator<U>&) const noexcept { return true; }
};

} // namespace lp
