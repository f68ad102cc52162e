#pragma once
// Memory that a job is about to fill in one go, taken in large pages where the system offers
// them: a million items otherwise cost tens of thousands of page faults.

#include <cstddef>

// A hint only: nothing changes when the system has no large pages or declines.
void PreferLargePages(void* data, std::size_t bytes);
