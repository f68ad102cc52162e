#pragma once
// What stands between a run and the removal of destination files: the order in which a mirror
// takes its rows, and the checks that refuse removals before the run starts. An empty or
// missing source, a folder that could not be read, a dropped share: each must never turn into
// the loss of a backup.

#include <cstdint>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "sys/Tfilesystem.h"

// What a comparison that listed the destination's own files saw of the destination, for the
// runs that remove from it.
struct TDestinationSide {
    // The destination's files that pass the masks.
    std::int64_t Files = 0;
    // Below the destination root, its folders that the source has none of, parents first.
    std::vector<std::string> OnlyFolders;
};

// The rows a mirror takes unless told otherwise: "Ambiguous" ones (a destination newer or
// different) are left alone.
const std::vector<TCompareResult>& MirrorKinds();

// The rows of the kinds in list order, copies and renames first, then the removals.
std::vector<TCompareItem> MirrorOrder(const std::vector<TCompareItem>& items, const std::vector<TCompareResult>& kinds);

// What holds back the removals of a run's rows, looked at before it starts; each program
// refuses or asks in its own way.
struct TRemovalCheck {
    // The rows that remove a file from the destination.
    std::size_t Removals = 0;
    // Why nothing may be removed: the source root is missing, unreadable or empty, as an
    // unmounted card or a share gone leaves it. Empty where removals may go on, or where there
    // are none.
    std::string Refusal;
    // Whether the removals take more than half of the destination's files.
    bool MostFiles = false;
};

TRemovalCheck CheckRemovals(const std::vector<TCompareItem>& items, const std::string& sourceRoot,
                            std::int64_t destinationFiles,
                            const TFileFactsSource& fileSystem = TFileFactsSource::System());
