#include "app/Tlistsorter.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "app/Tcoreparts.h"
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

// The collation keys of distinct texts, packed into one buffer. Each record carries the first
// sixteen key bytes as two numbers, so that most comparisons never leave the record array.
// Keys hold no zero byte, so padding a short key with zeros keeps the order.
class TKeyTable {
public:
    // The keys are made on every core: each part of the texts in a thread of its own, with
    // that thread's locale rules.
    explicit TKeyTable(const std::vector<std::string_view>& texts)
    {
        const TCoreParts parts(texts.size());
        std::vector<TPart> made(parts.Count());
        parts.Run([&](std::size_t part, std::size_t first, std::size_t end) {
            MakeKeys(texts, first, end, made[part]);
        });
        Records.reserve(texts.size());
        for (TPart& part : made) {
            for (TRecord& record : part.Records) {
                record.Offset += Buffer.size();
                Records.push_back(record);
            }
            Buffer += part.Buffer;
        }
        HeadsAfterSharedStart();
    }

    // The rank of every text: equal for equal keys, smaller for the text that goes first.
    std::vector<std::int64_t> Ranks()
    {
        std::sort(Records.begin(), Records.end(),
                  [this](const TRecord& a, const TRecord& b) { return Compare(a, b) < 0; });
        std::vector<std::int64_t> ranks(Records.size());
        std::int64_t rank = 0;
        for (std::size_t i = 0; i < Records.size(); ++i) {
            if (i > 0 && Compare(Records[i - 1], Records[i]) != 0)
                ++rank;
            ranks[Records[i].Text] = rank;
        }
        return ranks;
    }

private:
    struct TRecord {
        std::uint64_t Head[2];
        std::size_t Offset;
        std::size_t Length;
        std::uint32_t Text;
    };
    struct TPart {
        std::string Buffer;
        std::vector<TRecord> Records;
    };

    static void MakeKeys(const std::vector<std::string_view>& texts, std::size_t first, std::size_t end, TPart& part)
    {
        const TLocaleRules& rules = TLocaleRules::ForThisThread();
        part.Records.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            const std::string key = rules.SortKey(texts[i]);
            part.Records.push_back({{Prefix(key, 0), Prefix(key, 8)}, part.Buffer.size(), key.size(),
                                    static_cast<std::uint32_t>(i)});
            part.Buffer += key;
        }
    }

    // Keys of paths often begin alike for longer than a head holds; the heads are then taken
    // after what every key shares, where they tell keys apart.
    void HeadsAfterSharedStart()
    {
        if (Records.empty())
            return;
        const std::string_view first = KeyOf(Records.front());
        std::size_t shared = first.size();
        for (const TRecord& record : Records) {
            const std::string_view key = KeyOf(record);
            shared = std::min(shared, static_cast<std::size_t>(
                                          std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(std::min(shared, key.size())),
                                                        key.begin())
                                              .first -
                                          first.begin()));
        }
        if (shared == 0)
            return;
        for (TRecord& record : Records) {
            const std::string_view key = KeyOf(record);
            record.Head[0] = Prefix(key, shared);
            record.Head[1] = Prefix(key, shared + 8);
        }
    }

    std::string_view KeyOf(const TRecord& record) const { return std::string_view(Buffer).substr(record.Offset, record.Length); }

    static std::uint64_t Prefix(std::string_view key, std::size_t from)
    {
        std::uint64_t value = 0;
        for (std::size_t i = from; i < from + 8; ++i)
            value = value << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0U);
        return value;
    }

    int Compare(const TRecord& a, const TRecord& b) const
    {
        for (int i = 0; i < 2; ++i)
            if (a.Head[i] != b.Head[i])
                return a.Head[i] < b.Head[i] ? -1 : 1;
        return KeyOf(a).compare(KeyOf(b));
    }

    std::string Buffer;
    std::vector<TRecord> Records;
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
std::vector<std::int64_t> TextRanks(const std::vector<TResultRow>& rows, TSortCode key)
{
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> distinctOfRow(rows.size());
    // A few extensions repeat all over a tree, not only within a folder: they are looked up
    // among the texts seen so far, so they cost a few keys, not one a row.
    const bool repeatsAnywhere = key == SortCode::Extension;
    std::unordered_map<std::string_view, std::uint32_t> seen;
    if (repeatsAnywhere)
        seen.reserve(1024);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view text = TextOf(rows[i], key);
        if (!distinct.empty() && text == distinct[distinctOfRow[i - 1]]) {
            distinctOfRow[i] = distinctOfRow[i - 1];
            continue;
        }
        if (repeatsAnywhere) {
            const auto [found, added] = seen.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
            if (!added) {
                distinctOfRow[i] = found->second;
                continue;
            }
        }
        distinctOfRow[i] = static_cast<std::uint32_t>(distinct.size());
        distinct.push_back(text);
    }
    const std::size_t shared = SharedFolderPrefix(distinct);
    for (std::string_view& text : distinct)
        text.remove_prefix(shared);
    const std::vector<std::int64_t> rankOfDistinct = TKeyTable(distinct).Ranks();
    std::vector<std::int64_t> ranks(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        ranks[i] = rankOfDistinct[distinctOfRow[i]];
    return ranks;
}
}  // namespace

TListSorter::TListSorter(const TResultListModel& list, TSortCode code) : Descending((code & SortCode::Descending) != 0)
{
    const TSortCode key = code & ~SortCode::Descending;
    const std::vector<TResultRow>& rows = list.StoredRows();
    std::vector<std::int64_t> keyOfRow(rows.size());
    switch (key) {
    case SortCode::Name:
    case SortCode::Directory:
    case SortCode::Extension:
    case SortCode::AbsoluteName:
        keyOfRow = TextRanks(rows, key);
        break;
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
    const std::vector<std::uint32_t>& stored = list.StorageIndexes();
    Keys.resize(stored.size());
    for (std::uint32_t i = 0; i < Keys.size(); ++i)
        Keys[i] = {keyOfRow[stored[i]], i};
}

int TListSorter::CompareKeys(const TRowKey& a, const TRowKey& b) const
{
    int result = 0;
    if (a.Key != b.Key)
        result = a.Key < b.Key ? -1 : 1;
    else if (a.Position != b.Position)
        result = a.Position < b.Position ? -1 : 1;
    return Descending ? -result : result;
}

int TListSorter::CompareListItems(std::uint32_t a, std::uint32_t b) const { return CompareKeys(Keys[a], Keys[b]); }

std::vector<std::uint32_t> TListSorter::Order() const
{
    // Sorting the key records themselves keeps every comparison within one contiguous array.
    std::vector<TRowKey> sorted = Keys;
    std::sort(sorted.begin(), sorted.end(), [this](const TRowKey& a, const TRowKey& b) { return CompareKeys(a, b) < 0; });
    std::vector<std::uint32_t> order(sorted.size());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        order[i] = sorted[i].Position;
    return order;
}
