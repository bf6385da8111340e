#pragma once
// Large working arrays (a row per found file) are touched once each, page by
// page; on this kind of load the page faults cost more than the work. Arrays of
// 2 MiB and more are therefore placed on 2 MiB boundaries and the kernel is asked
// for transparent huge pages there (where the system allows them on request).
// Blocks from 2 MiB up are allocated that way.
#include <cstddef>
#include <new>

namespace quillon {

void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* p, std::size_t bytes) noexcept;

template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
    template <typename U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

} // namespace quillon
