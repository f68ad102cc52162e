#pragma once
// The compare files used most recently, most recent first, at most Capacity of them, each file
// name once. Changes are announced through OnChange once per batch: every operation below is
// one batch except Delete, and callers may wrap several in BeginUpdate / EndUpdate.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TFileHistory {
public:
    using TChangeEvent = std::function<void(TFileHistory* sender)>;

    TFileHistory() = default;
    TFileHistory(const TFileHistory&) = delete;
    TFileHistory& operator=(const TFileHistory&) = delete;

    std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
    // Index 0 is the most recent; throws std::out_of_range from Count on.
    const std::string& Get(std::int32_t index) const;
    const std::vector<std::string>& Entries() const { return Items; }
    std::int32_t Capacity() const { return FCapacity; }

    // A smaller capacity drops the oldest entries; a negative one counts as 0.
    void SetCapacity(std::int32_t capacity);
    // Puts the name on top; an entry of the same file name, in any letter case, goes.
    void Add(const std::string& fileName);
    // Index 0 to Count; the oldest entries beyond the capacity go.
    void Insert(std::int32_t index, const std::string& fileName);
    void Delete(std::int32_t index);
    // The first entry of the same file name (lower-cased under the locale, then equal), or -1.
    std::int32_t IndexOf(std::string_view fileName) const;
    // Cuts entries from the end, or appends empty ones up to the capacity.
    void SetCount(std::int32_t count);
    void Clear() { SetCount(0); }
    // Replaces every entry by the names in their order, as far as the capacity reaches.
    void Assign(const std::vector<std::string>& fileNames);

    void BeginUpdate() { ++UpdateCount; }
    // Closing the outermost batch sends the notice; without an open batch nothing happens.
    void EndUpdate();

    TChangeEvent OnChange;

private:
    template <class TChange>
    void Batch(TChange&& change);
    void CheckIndex(std::int32_t index, std::int32_t limit) const;
    void ListChanged();
    void Notify();

    std::vector<std::string> Items;
    std::int32_t FCapacity = 0;
    std::int32_t UpdateCount = 0;
};

// The History menu caption of the entry at the index: "&1 Backup.vmc - /work". An "&" of the
// name is doubled, so the menu shows it rather than taking it for an access key.
std::string FileHistoryCaption(std::int32_t index, std::string_view fileName);
