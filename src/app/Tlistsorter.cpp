#include "app/Tlistsorter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "app/Tcoreparts.h"
#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tlocalerules.h"

namespace {
// Day differences stay within about ten million; a row without a destination sorts after all.
constexpr std::int64_t NoDestination = std::numeric_limits<std::int64_t>::max();

std::string_view TextOf(const TResultRow& row, TSortCode key)
{
    switch (key) {
    case SortCode::Name:
        return FileNameView(row.Item.SrcPath);
    case SortCode::Directory:
        return DirectoryView(row.Item.SrcPath);
    case SortCode::Extension:
        return ExtensionView(row.Item.SrcPath);
    default:
        return row.Item.SrcPath;
    }
}

// The collation keys of distinct texts, made on every core: each part of the texts in a
// thread of its own, with that thread's locale rules, into one buffer per part.
class TKeyTable {
public:
    explicit TKeyTable(const std::vector<std::string_view>& texts)
    {
        const TCoreParts parts(texts.size());
        PartSize = parts.PartSize();
        Parts.resize(parts.Count());
        parts.Run([&](std::size_t part, std::size_t first, std::size_t end) {
            MakeKeys(texts, first, end, Parts[part]);
        });
    }

    // The rank of every text: equal for equal keys, smaller for the text that goes first.
    // Count receives the number of ranks.
    std::vector<std::uint32_t> Ranks(std::uint32_t& count) const
    {
        const auto texts = static_cast<std::uint32_t>(TextCount());
        std::vector<std::uint32_t> ranks(texts);
        count = 0;
        if (texts == 0)
            return ranks;
        // The records are sorted by eight key bytes at a time: a run that agrees on them is
        // sorted again by the next eight, and only there, so that no comparison walks the
        // long start that the keys of one folder's names share.
        std::vector<TRecord> records;
        records.reserve(texts);
        PreferLargePages(records.data(), texts * sizeof(TRecord));
        records.resize(texts);
        const std::size_t shared = SharedKeyStart();
        for (std::uint32_t text = 0; text < texts; ++text)
            records[text] = {Head(KeyOf(text), shared), text};
        std::vector<bool> startsRank(texts, false);
        std::vector<TRun> unsorted{{0, texts, shared}};
        while (!unsorted.empty()) {
            const TRun run = unsorted.back();
            unsorted.pop_back();
            const auto begin = records.begin();
            // Ties go by text, so that the next bytes of a run are read in the order they lie in.
            std::sort(begin + run.First, begin + run.End, [](const TRecord& a, const TRecord& b) {
                return a.Head != b.Head ? a.Head < b.Head : a.Text < b.Text;
            });
            for (std::uint32_t first = run.First; first < run.End;) {
                std::uint32_t end = first + 1;
                while (end < run.End && records[end].Head == records[first].Head)
                    ++end;
                // Keys hold no zero byte: heads that agree where one key ended belong to
                // keys that are equal.
                const std::size_t next = run.Depth + sizeof(std::uint64_t);
                if (end - first == 1 || KeyOf(records[first].Text).size() <= next) {
                    startsRank[first] = true;
                } else {
                    for (std::uint32_t i = first; i < end; ++i)
                        records[i].Head = Head(KeyOf(records[i].Text), next);
                    unsorted.push_back({first, end, next});
                }
                first = end;
            }
        }
        for (std::uint32_t i = 0; i < texts; ++i) {
            if (startsRank[i])
                ++count;
            ranks[records[i].Text] = count - 1;
        }
        return ranks;
    }

private:
    struct TPart {
        std::string Buffer;
        // Where each text's key ends in the buffer.
        std::vector<std::uint32_t> Ends;
    };
    struct TRecord {
        std::uint64_t Head;
        std::uint32_t Text;
    };
    // Records First..End agree on their keys up to Depth.
    struct TRun {
        std::uint32_t First;
        std::uint32_t End;
        std::size_t Depth;
    };

    static void MakeKeys(const std::vector<std::string_view>& texts, std::size_t first, std::size_t end, TPart& made)
    {
        const TLocaleRules& rules = TLocaleRules::ForThisThread();
        std::size_t length = 0;
        for (std::size_t i = first; i < end; ++i)
            length += texts[i].size();
        made.Buffer.reserve(length + length / 2 + 64);
        PreferLargePages(made.Buffer.data(), made.Buffer.capacity());
        made.Ends.reserve(end - first);
        PreferLargePages(made.Ends.data(), made.Ends.capacity() * sizeof(std::uint32_t));
        for (std::size_t i = first; i < end; ++i) {
            rules.AppendSortKey(texts[i], made.Buffer);
            if (made.Buffer.size() > std::numeric_limits<std::uint32_t>::max())
                throw std::length_error("The names are too long to be sorted.");
            made.Ends.push_back(static_cast<std::uint32_t>(made.Buffer.size()));
        }
    }

    std::size_t TextCount() const
    {
        std::size_t count = 0;
        for (const TPart& part : Parts)
            count += part.Ends.size();
        return count;
    }

    std::string_view KeyOf(std::uint32_t text) const
    {
        const TPart& part = Parts[text / PartSize];
        const std::size_t local = text % PartSize;
        const std::uint32_t start = local == 0 ? 0 : part.Ends[local - 1];
        return std::string_view(part.Buffer).substr(start, part.Ends[local] - start);
    }

    // What every key begins with, in bytes.
    std::size_t SharedKeyStart() const
    {
        const std::string_view first = KeyOf(0);
        std::size_t shared = first.size();
        const auto texts = static_cast<std::uint32_t>(TextCount());
        for (std::uint32_t text = 1; text < texts && shared > 0; ++text) {
            const std::string_view key = KeyOf(text);
            const std::size_t length = std::min(shared, key.size());
            shared = static_cast<std::size_t>(
                std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(length), key.begin()).first -
                first.begin());
        }
        return shared;
    }

    // Eight key bytes from a place on as one number; a key that ends is padded with zeros,
    // which keeps the order since keys hold no zero byte.
    static std::uint64_t Head(std::string_view key, std::size_t from)
    {
        unsigned char bytes[sizeof(std::uint64_t)] = {};
        if (from + sizeof bytes <= key.size())
            std::memcpy(bytes, key.data() + from, sizeof bytes);
        else
            for (std::size_t i = from; i < key.size(); ++i)
                bytes[i - from] = static_cast<unsigned char>(key[i]);
        std::uint64_t value = 0;
        for (const unsigned char byte : bytes)
            value = value << 8 | byte;
        return value;
    }

    std::size_t PartSize = 1;
    std::vector<TPart> Parts;
};

// The length of the folders that every text begins with. They add the same collation weights
// to the front of every key, so ranking what follows them gives the same order for less work;
// a cut after a separator never splits a letter from what follows it.
std::size_t SharedFolderPrefix(const std::vector<std::string_view>& texts)
{
    if (texts.empty())
        return 0;
    std::string_view shared = texts.front();
    for (const std::string_view text : texts) {
        std::size_t length = 0;
        while (length < shared.size() && length < text.size() && shared[length] == text[length])
            ++length;
        shared = shared.substr(0, length);
    }
    const std::size_t separator = shared.rfind(PathSyntax::Delimiter);
    return separator == std::string_view::npos ? 0 : separator + 1;
}

// The rank of each stored row's text in file-name order: equal for texts whose collation keys
// are equal (such as names that differ only in case). The files of one directory stand
// together in storage, so a text repeated by the row before gets no key of its own.
std::vector<std::uint32_t> TextRanks(const std::vector<TResultRow>& rows, TSortCode key, std::uint32_t& count)
{
    std::vector<std::string_view> distinct;
    if (key == SortCode::AbsoluteName || key == SortCode::Name) {
        distinct.reserve(rows.size());
        PreferLargePages(distinct.data(), rows.size() * sizeof(std::string_view));
    }
    std::vector<std::uint32_t> ranks(rows.size());
    // A few extensions repeat all over a tree, not only within a folder: they are looked up
    // among the texts seen so far, so they cost a few keys, not one a row.
    const bool repeatsAnywhere = key == SortCode::Extension;
    std::unordered_map<std::string_view, std::uint32_t> seen;
    if (repeatsAnywhere)
        seen.reserve(1024);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view text = TextOf(rows[i], key);
        if (!distinct.empty() && text == distinct[ranks[i - 1]]) {
            ranks[i] = ranks[i - 1];
            continue;
        }
        if (repeatsAnywhere) {
            const auto [found, added] = seen.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
            if (!added) {
                ranks[i] = found->second;
                continue;
            }
        }
        ranks[i] = static_cast<std::uint32_t>(distinct.size());
        distinct.push_back(text);
    }
    const std::size_t shared = SharedFolderPrefix(distinct);
    for (std::string_view& text : distinct)
        text.remove_prefix(shared);
    const std::vector<std::uint32_t> rankOfDistinct = TKeyTable(distinct).Ranks(count);
    for (std::uint32_t& rank : ranks)
        rank = rankOfDistinct[rank];
    return ranks;
}
}  // namespace

TListSorter::TListSorter(const TResultListModel& list, TSortCode code) : Descending((code & SortCode::Descending) != 0)
{
    const TSortCode key = code & ~SortCode::Descending;
    const std::vector<TResultRow>& rows = list.StoredRows();
    const std::vector<std::uint32_t>& stored = list.StorageIndexes();
    Keys.resize(stored.size());
    if (key == SortCode::Name || key == SortCode::Directory || key == SortCode::Extension ||
        key == SortCode::AbsoluteName) {
        std::uint32_t count = 0;
        const std::vector<std::uint32_t> ranks = TextRanks(rows, key, count);
        for (std::size_t i = 0; i < Keys.size(); ++i)
            Keys[i] = ranks[stored[i]];
        RankCount = count;
        return;
    }
    std::vector<std::int64_t> keyOfRow(rows.size());
    switch (key) {
    case SortCode::SizeRemainder:
        for (std::size_t i = 0; i < rows.size(); ++i)
            keyOfRow[i] = rows[i].Item.SizeRemainder;
        break;
    case SortCode::TimeRemainder:
        for (std::size_t i = 0; i < rows.size(); ++i)
            keyOfRow[i] = rows[i].Item.DstExists ? rows[i].Item.TimeRemainderDays() : NoDestination;
        break;
    case SortCode::Result:
        for (std::size_t i = 0; i < rows.size(); ++i)
            keyOfRow[i] = static_cast<std::int64_t>(rows[i].Item.Result);
        break;
    default:
        throw std::invalid_argument("Unknown sort code " + std::to_string(code) + ".");
    }
    for (std::size_t i = 0; i < Keys.size(); ++i)
        Keys[i] = keyOfRow[stored[i]];
}

int TListSorter::CompareListItems(std::uint32_t a, std::uint32_t b) const
{
    int result = 0;
    if (Keys[a] != Keys[b])
        result = Keys[a] < Keys[b] ? -1 : 1;
    else if (a != b)
        result = a < b ? -1 : 1;
    return Descending ? -result : result;
}

std::vector<std::uint32_t> TListSorter::Order() const
{
    std::vector<std::uint32_t> order(Keys.size());
    if (RankCount) {
        // Ranks are few and dense: counting places every row at once, ties in present order.
        std::vector<std::uint32_t> next(static_cast<std::size_t>(*RankCount) + 1, 0);
        for (const std::int64_t rank : Keys)
            ++next[static_cast<std::size_t>(rank) + 1];
        for (std::size_t rank = 1; rank < next.size(); ++rank)
            next[rank] += next[rank - 1];
        for (std::uint32_t position = 0; position < Keys.size(); ++position)
            order[next[static_cast<std::size_t>(Keys[position])]++] = position;
    } else {
        // Sorting the key records themselves keeps every comparison within one contiguous array.
        std::vector<std::pair<std::int64_t, std::uint32_t>> sorted(Keys.size());
        for (std::uint32_t position = 0; position < Keys.size(); ++position)
            sorted[position] = {Keys[position], position};
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size(); ++i)
            order[i] = sorted[i].second;
    }
    // Descending is the exact reverse, equal keys included.
    if (Descending)
        std::reverse(order.begin(), order.end());
    return order;
}
