#include "app/Tlistsorter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "app/Tcoreparts.h"
#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tlocalerules.h"

namespace {
// Day differences stay within about ten million; a row without a file on both sides sorts after all.
constexpr std::int64_t NoTimeRemainder = std::numeric_limits<std::int64_t>::max();

// The rows' paths lie below one root, which would add the same to every text: ranked without
// it, the texts keep the order of the whole paths.
std::string_view TextOf(const TResultRow& row, TSortCode key)
{
    switch (key) {
    case SortCode::Name:
        return FileNameView(row.Item.Path);
    case SortCode::Directory:
        return DirectoryView(row.Item.Path);
    case SortCode::Extension:
        return ExtensionView(row.Item.Path);
    default:
        return row.Item.Path;
    }
}

// Eight key bytes from a place on as one number; a key that ends is padded with zeros, which
// keeps the order since keys hold no zero byte.
std::uint64_t KeyBytes(std::string_view key, std::size_t from)
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

// The collation keys of distinct texts, made on every core: each part of the texts in a
// thread of its own, with that thread's locale rules, into one buffer per part.
class TKeyTable {
public:
    explicit TKeyTable(const std::vector<std::string_view>& texts)
    {
        const TCoreParts parts(texts.size());
        PartSize = parts.PartSize();
        Parts.resize(parts.Count());
        parts.Run(
            [&](std::size_t part, std::size_t first, std::size_t end) { MakeKeys(texts, first, end, Parts[part]); });
    }

    // The collation key of a text.
    std::string_view Key(std::uint32_t text) const
    {
        const TPart& part = Parts[text / PartSize];
        const std::size_t local = text % PartSize;
        const std::uint32_t start = local == 0 ? 0 : part.Ends[local - 1];
        return std::string_view(part.Buffer).substr(start, part.Ends[local] - start);
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
            records[text] = {KeyBytes(Key(text), shared), text};
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
                if (end - first == 1 || Key(records[first].Text).size() <= next) {
                    startsRank[first] = true;
                } else {
                    for (std::uint32_t i = first; i < end; ++i)
                        records[i].Head = KeyBytes(Key(records[i].Text), next);
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

    // What every key begins with, in bytes.
    std::size_t SharedKeyStart() const
    {
        const std::string_view first = Key(0);
        std::size_t shared = first.size();
        const auto texts = static_cast<std::uint32_t>(TextCount());
        for (std::uint32_t text = 1; text < texts && shared > 0; ++text) {
            const std::string_view key = Key(text);
            const std::size_t length = std::min(shared, key.size());
            shared = static_cast<std::size_t>(
                std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(length), key.begin()).first -
                first.begin());
        }
        return shared;
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

// The path up to and including its last delimiter; empty without one.
std::string_view DirectoryOfPath(std::string_view path)
{
    return path.substr(0, path.size() - FileNameView(path).size());
}

// Ranks the paths of a folder tree with keys of their file names and folder names, not of whole
// paths, whose keys cost half as much again. Below one folder, its files go by their names'
// keys and its subfolders by the keys of their names with the delimiter: that is the order of
// the whole paths as long as no sibling's primary weights begin with those of a subfolder's
// name and delimiter (a name equal to it but for case or accents, or with a character that
// weighs as the delimiter). Where one does, nothing is given back and the whole paths are
// ranked instead. U+FFFF, which weighs more than every other character, tells whether a
// sibling begins so; paths that hold it are ranked whole.
std::optional<std::vector<std::uint32_t>> FolderTreeRanks(const std::vector<std::string_view>& paths,
                                                          std::uint32_t& count)
{
    constexpr std::string_view Highest = "\xEF\xBF\xBF";
    for (const std::string_view path : paths)
        if (path.find(Highest) != std::string_view::npos)
            return std::nullopt;

    // Folder 0 holds every path; the others are known by their path up to their delimiter.
    struct TFolder {
        std::uint32_t Parent;
        std::string_view Name;
    };
    std::vector<TFolder> folders{{0, {}}};
    std::unordered_map<std::string_view, std::uint32_t> folderOfDirectory;
    std::vector<std::string_view> missing;
    const auto folderOf = [&](std::string_view directory) {
        missing.clear();
        std::uint32_t folder = 0;
        std::size_t known = 0;
        for (std::string_view up = directory; !up.empty();) {
            if (const auto found = folderOfDirectory.find(up); found != folderOfDirectory.end()) {
                folder = found->second;
                known = up.size();
                break;
            }
            missing.push_back(up);
            const std::size_t slash =
                up.size() < 2 ? std::string_view::npos : up.rfind(PathSyntax::Delimiter, up.size() - 2);
            up = slash == std::string_view::npos ? std::string_view() : up.substr(0, slash + 1);
        }
        for (auto down = missing.rbegin(); down != missing.rend(); ++down) {
            folders.push_back({folder, down->substr(known)});
            folder = static_cast<std::uint32_t>(folders.size() - 1);
            folderOfDirectory.emplace(*down, folder);
            known = down->size();
        }
        return folder;
    };
    // The paths of one folder mostly stand together, so a folder is looked up when it changes.
    std::vector<std::uint32_t> folderOfPath(paths.size());
    std::string_view lastDirectory;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string_view directory = DirectoryOfPath(paths[i]);
        folderOfPath[i] = i > 0 && directory == lastDirectory ? folderOfPath[i - 1] : folderOf(directory);
        lastDirectory = directory;
    }
    // The texts whose keys are made: every path's name, every folder's name, and every folder's
    // name followed by U+FFFF.
    const std::size_t folderCount = folders.size();
    std::vector<std::string_view> texts;
    texts.reserve(paths.size() + 2 * (folderCount - 1));
    PreferLargePages(texts.data(), texts.capacity() * sizeof(std::string_view));
    for (const std::string_view path : paths)
        texts.push_back(FileNameView(path));
    std::string highestNames;
    std::size_t length = 0;
    for (std::size_t f = 1; f < folderCount; ++f)
        length += folders[f].Name.size() + Highest.size();
    highestNames.reserve(length);
    for (std::size_t f = 1; f < folderCount; ++f)
        texts.push_back(folders[f].Name);
    for (std::size_t f = 1; f < folderCount; ++f) {
        const std::size_t start = highestNames.size();
        highestNames.append(folders[f].Name).append(Highest);
        texts.push_back(std::string_view(highestNames).substr(start));
    }
    const TKeyTable keys(texts);
    const auto folderText = [&](std::uint32_t folder) { return static_cast<std::uint32_t>(paths.size() + folder - 1); };
    const auto highestText = [&](std::uint32_t folder) {
        return static_cast<std::uint32_t>(paths.size() + folderCount - 2 + folder);
    };

    // The children of every folder, in one array: its paths and its subfolders, each with the
    // text whose key places it among its siblings.
    struct TChild {
        std::uint64_t Head;
        std::uint32_t Text;
        std::uint32_t Index;
        bool IsFolder;
    };
    std::vector<std::uint32_t> firstChild(folderCount + 1, 0);
    for (const std::uint32_t folder : folderOfPath)
        ++firstChild[folder + 1];
    for (std::size_t f = 1; f < folderCount; ++f)
        ++firstChild[folders[f].Parent + 1];
    for (std::size_t f = 1; f <= folderCount; ++f)
        firstChild[f] += firstChild[f - 1];
    std::vector<TChild> children;
    children.reserve(firstChild[folderCount]);
    PreferLargePages(children.data(), firstChild[folderCount] * sizeof(TChild));
    children.resize(firstChild[folderCount]);
    std::vector<std::uint32_t> filled(firstChild.begin(), firstChild.end() - 1);
    for (std::uint32_t i = 0; i < paths.size(); ++i)
        children[filled[folderOfPath[i]]++] = {KeyBytes(keys.Key(i), 0), i, i, false};
    for (std::uint32_t f = 1; f < folderCount; ++f)
        children[filled[folders[f].Parent]++] = {KeyBytes(keys.Key(folderText(f)), 0), folderText(f), f, true};
    const auto key = [&](const TChild& child) { return keys.Key(child.Text); };
    for (std::size_t f = 0; f < folderCount; ++f) {
        const auto first = children.begin() + firstChild[f], end = children.begin() + firstChild[f + 1];
        std::sort(first, end, [&](const TChild& a, const TChild& b) {
            if (a.Head != b.Head)
                return a.Head < b.Head;
            const int order = key(a).compare(key(b));
            return order != 0 ? order < 0 : a.Text < b.Text;
        });
        for (auto child = first; child != end; ++child) {
            if (!child->IsFolder)
                continue;
            if ((child != first && key(*(child - 1)) == key(*child)) ||
                (child + 1 != end && keys.Key(highestText(child->Index)) >= key(*(child + 1))))
                return std::nullopt;
        }
    }

    // The paths in the order of a walk of the tree; paths of one folder with equal keys share
    // their rank.
    std::vector<std::uint32_t> ranks(paths.size());
    count = 0;
    // The folders being walked, each with its next child.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> walk{{0, firstChild[0]}};
    // Where the last path stood among the children, so that one with an equal key right after
    // it in the same folder shares its rank.
    std::uint32_t lastPosition = 0, lastFolder = 0;
    while (!walk.empty()) {
        const std::uint32_t folder = walk.back().first;
        const std::uint32_t next = walk.back().second;
        if (next == firstChild[folder + 1]) {
            walk.pop_back();
            continue;
        }
        ++walk.back().second;
        const TChild& child = children[next];
        if (child.IsFolder) {
            walk.push_back({child.Index, firstChild[child.Index]});
            continue;
        }
        if (count == 0 || folder != lastFolder || next != lastPosition + 1 || key(children[lastPosition]) != key(child))
            ++count;
        lastPosition = next;
        lastFolder = folder;
        ranks[child.Index] = count - 1;
    }
    return ranks;
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
    std::optional<std::vector<std::uint32_t>> treeRanks;
    if (key == SortCode::AbsoluteName)
        treeRanks = FolderTreeRanks(distinct, count);
    const std::vector<std::uint32_t> rankOfDistinct =
        treeRanks ? std::move(*treeRanks) : TKeyTable(distinct).Ranks(count);
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
            keyOfRow[i] = rows[i].Item.BothExist() ? rows[i].Item.TimeRemainderDays() : NoTimeRemainder;
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
