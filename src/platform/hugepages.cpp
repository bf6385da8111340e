#include "platform/hugepages.h"
#include <cstdlib>
#include <sys/mman.h>

namespace quillon {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLarge = kHugePage;
} // namespace

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kLarge) {
        if (void* p = std::malloc(bytes ? bytes : 1)) return p;
        throw std::bad_alloc();
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    madvise(p, rounded, MADV_HUGEPAGE); // advice only: without it the pages are ordinary
    return p;
}

void FreeLarge(void* p, std::size_t) noexcept { std::free(p); }

} // namespace quillon
