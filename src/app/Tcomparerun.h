#pragma once
// A comparison run from the main window: the compare dialog asks for the options, the list is
// emptied, the walk runs in front of the progress dialog, and its items go to the list.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compare/Tcompareroots.h"
#include "compare/Tcomparethread.h"

class TFileFactsSource;
class TMainThreadCaller;
class TMessenger;

// Where a comparison's items go.
struct TCompareTarget {
    // Empties the list, asking first when told to and it holds rows; true when emptied.
    std::function<bool(bool ask)> ClearList;
    std::function<void(std::vector<TCompareItem> items, const TCompareRoots& roots)> FillList;
};

class TCompareRun {
public:
    TCompareRun(TMessenger& messenger, TMainThreadCaller& mainThread, const TFileFactsSource& fileSystem,
                TCompareTarget target);

    // A non-empty name is opened by the compare dialog as soon as it is on screen.
    void Run(const std::string& compareFileName);

    // Of the comparison whose rows the list holds, while it listed the destination: the
    // destination's files that pass the masks, and the paths below its root of the folders the
    // source lacks, a parent before its children.
    std::int64_t DestinationFiles() const { return FDestinationFiles; }
    const std::vector<std::string>& DestinationOnlyFolders() const { return FDestinationOnlyFolders; }

private:
    void Progress(std::int32_t position, std::int32_t maximum);
    void End(TJobEnd<TComparisonResult> end, const TCompareRoots& roots);
    // After the progress dialog, which a message box must not cover.
    void TellOfUnlistedFolders();

    TMessenger& Messenger;
    TMainThreadCaller& MainThread;
    const TFileFactsSource& FileSystem;
    TCompareTarget Target;
    std::vector<TListingError> UnlistedFolders;
    std::vector<TListingError> UnlistedDestinationFolders;
    std::int64_t FDestinationFiles = 0;
    std::vector<std::string> FDestinationOnlyFolders;
};
