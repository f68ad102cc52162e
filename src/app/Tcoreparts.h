#pragma once
// A job over the many rows of the list cut into one part per thread of a work pool, for work
// that the user waits on: a sort, a keystroke in the filter.

#include <algorithm>
#include <cstddef>
#include <functional>

#include "jobs/Tworkpool.h"

// The pool the desktop program's comparisons and list work share, made on first use.
TWorkPool& ProgramPool();

class TCoreParts {
public:
    using TJob = std::function<void(std::size_t part, std::size_t first, std::size_t end)>;

    // One part per thread of the pool, at most eight; a small job gets fewer, as handing a
    // part over costs more than it saves on a few thousand items.
    TCoreParts(std::size_t items, TWorkPool& pool = ProgramPool());

    std::size_t Count() const { return Parts; }
    // Items in each part but the last, which may hold fewer; at least one.
    std::size_t PartSize() const { return std::max<std::size_t>(1, (Items + Parts - 1) / Parts); }
    // Runs job for every part, the first on the calling thread and the others on the pool.
    // The first exception of a part is raised once every part has ended.
    void Run(const TJob& job) const;

private:
    std::size_t Items;
    TWorkPool& Pool;
    std::size_t Parts;
};
