#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "app/Tcoreparts.h"

TEST(CoreParts, RunsEveryItemOnceAndRaisesTheFailureOfAnyPart)
{
    for (const std::size_t items : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{100'003}}) {
        const TCoreParts parts(items);
        std::vector<int> runs(items);
        parts.Run([&](std::size_t, std::size_t first, std::size_t end) {
            for (std::size_t i = first; i < end; ++i)
                ++runs[i];
        });
        EXPECT_EQ(static_cast<std::size_t>(std::count(runs.begin(), runs.end(), 1)), items) << items;
    }
    const TCoreParts parts(100'000);
    EXPECT_THROW(parts.Run([&](std::size_t part, std::size_t, std::size_t) {
        if (part + 1 == parts.Count())
            throw std::runtime_error("the last part failed");
    }),
                 std::runtime_error);
}
