#pragma once
// A job over the many rows of the list cut into one part per core, for work that the user
// waits on: a sort, a keystroke in the filter.

#include <algorithm>
#include <cstddef>
#include <functional>

class TCoreParts {
public:
    using TJob = std::function<void(std::size_t part, std::size_t first, std::size_t end)>;

    // One part per core, at most eight; a small job gets fewer, as a thread costs more to
    // start than it saves on a few thousand items.
    explicit TCoreParts(std::size_t items);

    std::size_t Count() const { return Parts; }
    // Items in each part but the last, which may hold fewer; at least one.
    std::size_t PartSize() const { return std::max<std::size_t>(1, (Items + Parts - 1) / Parts); }
    // Runs job for every part, the first on the calling thread and each other on a thread of
    // its own. The first exception of a part is raised once every part has ended.
    void Run(const TJob& job) const;

private:
    std::size_t Items;
    std::size_t Parts;
};
