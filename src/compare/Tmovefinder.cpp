#include "compare/Tmovefinder.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "sys/Fnvhash.h"

namespace {
std::int64_t SaturatedAdd(std::int64_t time, std::int64_t step)
{
    if (step > 0 && time > INT64_MAX - step)
        return INT64_MAX;
    if (step < 0 && time < INT64_MIN - step)
        return INT64_MIN;
    return time + step;
}
}  // namespace

TMoveFinder::TMoveFinder(const TCompareOptions& options) : Rules(options) {}

void TMoveFinder::Run(TTreeScan& scan) const
{
    for (TScannedDirectory* directory : scan.Directories)
        ClaimOtherCases(*directory);
    PairRenames(scan);
}

bool TMoveFinder::SameFile(const TScannedDirectory::TFile& source,
                           const TScannedDirectory::TDestinationFile& destination) const
{
    return source.Size == destination.Size && source.LastWriteTime > 0 && destination.LastWriteTime > 0 &&
           Rules.TimeRemainderOf(source.LastWriteTime, destination.LastWriteTime) == 0;
}

void TMoveFinder::ClaimOtherCases(TScannedDirectory& directory) const
{
    // A source file the destination finds though its listing has no entry of that name was
    // found under another case: the entry with the very facts the lookup gave is its
    // counterpart, never a file only the destination has.
    // A card may differ in case for every file of a folder: the entries are found by their facts.
    const auto key = [](std::int64_t size, std::int64_t time, std::uint64_t identity) {
        return TFnvHash()
            .Add(static_cast<std::uint64_t>(size))
            .Add(static_cast<std::uint64_t>(time))
            .Add(identity)
            .Value();
    };
    std::unordered_multimap<std::uint64_t, std::size_t> byFacts;
    std::vector<std::uint32_t> claims(directory.DstFiles.size(), 0);
    std::vector<std::pair<std::size_t, std::size_t>> single;
    for (std::size_t file = 0; file < directory.Files.size(); ++file) {
        const TScannedDirectory::TFile& source = directory.Files[file];
        if (source.Listed || source.Found != TScannedDirectory::TFound::File)
            continue;
        if (byFacts.empty())
            for (std::size_t d = 0; d < directory.DstFiles.size(); ++d) {
                const TScannedDirectory::TDestinationFile& entry = directory.DstFiles[d];
                byFacts.emplace(key(entry.Size, entry.LastWriteTime, entry.Identity), d);
            }
        std::size_t matches = 0;
        std::size_t match = 0;
        const auto [first, last] = byFacts.equal_range(key(source.DstSize, source.DstTime, source.DstIdentity));
        for (auto entry = first; entry != last; ++entry) {
            TScannedDirectory::TDestinationFile& destination = directory.DstFiles[entry->second];
            if (destination.Size != source.DstSize || destination.LastWriteTime != source.DstTime ||
                destination.Identity != source.DstIdentity)
                continue;
            destination.Taken = true;
            ++claims[entry->second];
            ++matches;
            match = entry->second;
        }
        if (matches == 1)
            single.emplace_back(file, match);
    }
    for (const auto& [file, d] : single) {
        TScannedDirectory::TFile& source = directory.Files[file];
        if (claims[d] != 1 || !SameFile(source, directory.DstFiles[d]))
            continue;
        source.Kept = true;
        const TScannedDirectory::TDestinationFile& old = directory.DstFiles[d];
        directory.MovedFrom[file] = {
            *directory.DstRelative + std::string(directory.DstName(d)), {old.Size, old.LastWriteTime}, old.Identity};
    }
}

void TMoveFinder::PairRenames(TTreeScan& scan) const
{
    // The destination's candidates by size, each size's sorted by time: the files that fit one
    // source file stand together in that order, once for each hour shift taken into account,
    // so they are found and counted by range however many share one size and time.
    struct TCandidate {
        std::int64_t Time;
        TScannedDirectory* Directory;
        std::size_t File;
    };
    struct TSameSize {
        std::vector<TCandidate> Candidates;
        // The sources that fit each candidate, as differences from the one before.
        std::vector<std::int64_t> Suitors;
    };
    std::unordered_map<std::int64_t, TSameSize> bySize;
    for (TScannedDirectory* directory : scan.Directories)
        for (std::size_t d = 0; d < directory->DstFiles.size(); ++d) {
            const TScannedDirectory::TDestinationFile& file = directory->DstFiles[d];
            if (!file.Taken && file.Size > 0 && file.LastWriteTime > 0)
                bySize[file.Size].Candidates.push_back({file.LastWriteTime, directory, d});
        }
    if (bySize.empty())
        return;
    for (auto& [size, same] : bySize) {
        std::stable_sort(same.Candidates.begin(), same.Candidates.end(),
                         [](const TCandidate& a, const TCandidate& b) { return a.Time < b.Time; });
        same.Suitors.assign(same.Candidates.size() + 1, 0);
    }
    struct TProposal {
        TScannedDirectory* Directory;
        std::size_t File;
        TSameSize* Same;
        std::size_t Candidate;
    };
    std::vector<TProposal> proposals;
    const auto fits = [&](const TScannedDirectory::TFile& source, const TCandidate& candidate) {
        return Rules.TimeRemainderOf(source.LastWriteTime, candidate.Time) == 0;
    };
    for (TScannedDirectory* directory : scan.Directories) {
        for (std::size_t file = 0; file < directory->Files.size(); ++file) {
            const TScannedDirectory::TFile& source = directory->Files[file];
            if (source.Found != TScannedDirectory::TFound::Nothing || !source.Kept || source.Size <= 0 ||
                source.LastWriteTime <= 0)
                continue;
            const auto sameSize = bySize.find(source.Size);
            if (sameSize == bySize.end())
                continue;
            TSameSize& same = sameSize->second;
            std::size_t matches = 0;
            std::size_t match = 0;
            for (const std::int64_t centre : Rules.FittingTimes(source.LastWriteTime)) {
                const auto byTime = [](const TCandidate& candidate, std::int64_t time) {
                    return candidate.Time < time;
                };
                const auto from = std::lower_bound(same.Candidates.begin(), same.Candidates.end(),
                                                   SaturatedAdd(centre, -2 * TPairRules::FatTimeStep), byTime);
                const auto to = std::lower_bound(from, same.Candidates.end(),
                                                 SaturatedAdd(centre, 2 * TPairRules::FatTimeStep + 1), byTime);
                auto first = from;
                while (first != to && !fits(source, *first))
                    ++first;
                auto last = to;
                while (last != first && !fits(source, *(last - 1)))
                    --last;
                if (first == last)
                    continue;
                const auto begin = static_cast<std::size_t>(first - same.Candidates.begin());
                const auto end = static_cast<std::size_t>(last - same.Candidates.begin());
                ++same.Suitors[begin];
                --same.Suitors[end];
                matches += end - begin;
                match = begin;
            }
            if (matches == 1)
                proposals.push_back({directory, file, &same, match});
        }
    }
    for (auto& [size, same] : bySize)
        for (std::size_t c = 1; c < same.Suitors.size(); ++c)
            same.Suitors[c] += same.Suitors[c - 1];
    for (const TProposal& proposal : proposals) {
        if (proposal.Same->Suitors[proposal.Candidate] != 1)
            continue;
        const TCandidate& candidate = proposal.Same->Candidates[proposal.Candidate];
        TScannedDirectory& old = *candidate.Directory;
        TScannedDirectory::TDestinationFile& file = old.DstFiles[candidate.File];
        file.Taken = true;
        proposal.Directory->MovedFrom[proposal.File] = {*old.DstRelative + std::string(old.DstName(candidate.File)),
                                                        {file.Size, file.LastWriteTime},
                                                        file.Identity};
    }
}
