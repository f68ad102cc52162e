#pragma once
// A comparison run from the main window: the compare dialog asks for the options, the list is
// emptied, the walk runs in front of the progress dialog, and its items go to the list.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compare/Tcompareroots.h"
#include "compare/Tcomparethread.h"
#include "operations/Removalguards.h"

class TFileFactsSource;
class TMainThreadCaller;
class TMessenger;

// Where a comparison's items go.
struct TCompareTarget {
    // Empties the list, asking first when told to and it holds rows; true when emptied.
    std::function<bool(bool ask)> ClearList;
    // destination: what a comparison that listed the destination's own files saw of them.
    std::function<void(std::vector<TCompareItem> items, const TCompareRoots& roots,
                       std::optional<TDestinationSide> destination)>
        FillList;
};

class TCompareRun {
public:
    TCompareRun(TMessenger& messenger, TMainThreadCaller& mainThread, const TFileFactsSource& fileSystem,
                TCompareTarget target);

    // A non-empty name is opened by the compare dialog as soon as it is on screen.
    void Run(const std::string& compareFileName);

private:
    void Progress(std::int32_t position, std::int32_t maximum);
    void End(TJobEnd<TComparisonResult> end, const TCompareRoots& roots, bool destinationListed);
    // After the progress dialog, which a message box must not cover.
    void TellOfUnlistedFolders();

    TMessenger& Messenger;
    TMainThreadCaller& MainThread;
    const TFileFactsSource& FileSystem;
    TCompareTarget Target;
    std::vector<TListingError> UnlistedFolders;
    std::vector<TListingError> UnlistedDestinationFolders;
};
