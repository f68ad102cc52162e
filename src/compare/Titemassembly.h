#pragma once
// Turns what the tree scan found into the comparison's items: looks each file up under the
// destination root, judges the pair (by its contents too where asked), drops "Not modified" pairs unless wanted, makes
// the items in walk order and sorts them by result and then by path in the user's locale. The work is shared out to a
// pool of threads; the result is the same for any number of them, down to the order of items whose paths collate equal.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Tpairrules.h"
#include "compare/Ttreescan.h"
#include "compare/Twalkcount.h"
#include "jobs/Tworkpool.h"
#include "sys/Tfilesystem.h"

class TItemAssembly {
public:
    using TProgress = std::function<void(std::int32_t done, std::int32_t total)>;

    // items: where the items go. stopped: whether the job was asked to stop; asked from every
    // thread of the pool.
    TItemAssembly(const TCompareOptions& options, const TFileFactsSource& fileSystem, std::function<bool()> stopped,
                  std::vector<TCompareItem>& items);

    // Looks up every scanned file and settles whether it stays; progress runs on the calling
    // thread.
    void Classify(TTreeScan& scan, TWorkPool& pool, const TProgress& progress);
    // Where contents are compared: reads both files of every pair that asks for it and settles
    // again whether it stays. The bytes go to counts as they are compared; progress runs on
    // the calling thread.
    void ReadContents(TTreeScan& scan, TWorkPool& pool, TWalkCount& counts, const TProgress& progress);
    // Makes the items of the files that stay, in walk order, and releases the scan's findings.
    void Collect(TTreeScan& scan, TWorkPool& pool);
    void Sort(TWorkPool& pool);

private:
    // Whether the file stays in the result, judged on scratch, an item of the caller's.
    void SettleKept(TScannedDirectory::TFile& facts, TCompareItem& scratch) const;

    const TFileFactsSource& FileSystem;
    const std::function<bool()> Stopped;
    const TPairRules Rules;
    const bool ShowNotModified;
    const std::string SrcRoot;
    const std::string DstRoot;
    std::vector<TCompareItem>& Items;
};
