#pragma once
// Hints to the memory manager for jobs that hold a million items: nothing changes in what a
// program computes, only how many pages it costs.

#include <cstddef>

// Memory about to be filled in one go, taken in large pages where the system offers them: a
// million items otherwise cost tens of thousands of page faults.
void PreferLargePages(void* data, std::size_t bytes);
// Memory about to be written whole: its pages are made in one call, large ones where the
// system offers them, rather than at one fault each, which costs ten times more on some
// virtual machines.
void MakePagesReady(void* data, std::size_t bytes);
// Gives the pages of released memory back to the system, so that the next large step does
// not come on top of the last one's leftovers.
void ReturnFreeMemory();
// Empties a container and gives its memory back: assigning {} to a vector or a string only
// clears it and keeps the capacity.
template <typename TContainer>
void ReleaseMemory(TContainer& container)
{
    TContainer().swap(container);
}
