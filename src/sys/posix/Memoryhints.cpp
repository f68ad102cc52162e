#include "sys/Memoryhints.h"

#include <cstdint>

#include <malloc.h>
#include <sys/mman.h>

void PreferLargePages(void* data, std::size_t bytes)
{
    // Only whole large pages inside the block can be given; the advice is for those.
    constexpr std::uintptr_t LargePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(LargePage - 1);
    if (data != nullptr && first < end)
        madvise(static_cast<char*>(data) + (first - begin), end - first, MADV_HUGEPAGE);
}

void ReturnFreeMemory() { malloc_trim(0); }
