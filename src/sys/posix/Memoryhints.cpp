#include "sys/Memoryhints.h"

#include <cstdint>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

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

void MakePagesReady(void* data, std::size_t bytes)
{
    PreferLargePages(data, bytes);
    // Kernels before 5.14 do not know the advice; the pages then come one fault at a time.
    static const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t intoPage = reinterpret_cast<std::uintptr_t>(data) & (pageSize - 1);
    if (data != nullptr && bytes > 0)
        madvise(static_cast<char*>(data) - intoPage, bytes + intoPage, MADV_POPULATE_WRITE);
}

void ReturnFreeMemory() { malloc_trim(0); }
