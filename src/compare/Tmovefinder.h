#pragma once
// Finds the destination-only files that are a source file's old place: one renamed or moved
// since it was last copied, or one whose name differs in case on a destination that ignores
// case. A pair is made only where nothing else could be meant: the same size above zero and
// the same time at the precision in force, and no other file on either side that fits.

#include "compare/Tcompareoptions.h"
#include "compare/Tpairrules.h"
#include "compare/Ttreescan.h"

class TMoveFinder {
public:
    explicit TMoveFinder(const TCompareOptions& options);

    // Runs after the lookups: marks the destination files taken and gives the moved source
    // files their old paths.
    void Run(TTreeScan& scan) const;

private:
    void ClaimOtherCases(TScannedDirectory& directory) const;
    void PairRenames(TTreeScan& scan) const;
    bool SameFile(const TScannedDirectory::TFile& source, const TScannedDirectory::TDestinationFile& destination) const;

    const TPairRules Rules;
};
