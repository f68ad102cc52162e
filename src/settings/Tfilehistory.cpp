#include "settings/Tfilehistory.h"

#include <algorithm>
#include <stdexcept>

#include "sys/Mysysutils.h"
#include "sys/Tlocalerules.h"

const std::string& TFileHistory::Get(std::int32_t index) const
{
    CheckIndex(index, Count() - 1);
    return Items[static_cast<std::size_t>(index)];
}

template <class TChange>
void TFileHistory::Batch(TChange&& change)
{
    BeginUpdate();
    try {
        change();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TFileHistory::SetCapacity(std::int32_t capacity)
{
    capacity = std::max(capacity, 0);
    if (capacity == FCapacity)
        return;
    FCapacity = capacity;
    if (Count() > FCapacity)
        SetCount(FCapacity);
}

void TFileHistory::Add(const std::string& fileName)
{
    Batch([&] {
        const std::int32_t existing = IndexOf(fileName);
        if (existing >= 0)
            Delete(existing);
        Insert(0, fileName);
    });
}

void TFileHistory::Insert(std::int32_t index, const std::string& fileName)
{
    CheckIndex(index, Count());
    Batch([&] {
        Items.insert(Items.begin() + index, fileName);
        ListChanged();
        while (Count() > FCapacity) {
            Items.pop_back();
            ListChanged();
        }
    });
}

void TFileHistory::Delete(std::int32_t index)
{
    CheckIndex(index, Count() - 1);
    Items.erase(Items.begin() + index);
    ListChanged();
}

std::int32_t TFileHistory::IndexOf(std::string_view fileName) const
{
    const TLocaleRules& rules = TLocaleRules::ForThisThread();
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (rules.SameFileName(Items[i], fileName))
            return static_cast<std::int32_t>(i);
    return -1;
}

void TFileHistory::SetCount(std::int32_t count)
{
    Batch([&] {
        while (Count() > std::max(count, 0)) {
            Items.pop_back();
            ListChanged();
        }
        while (Count() < count && Count() < FCapacity) {
            Items.emplace_back();
            ListChanged();
        }
    });
}

void TFileHistory::Assign(const std::vector<std::string>& fileNames)
{
    Batch([&] {
        Clear();
        for (const std::string& fileName : fileNames) {
            if (Count() >= FCapacity)
                break;
            Insert(Count(), fileName);
        }
    });
}

void TFileHistory::EndUpdate()
{
    if (UpdateCount == 0)
        return;
    if (--UpdateCount == 0)
        Notify();
}

void TFileHistory::CheckIndex(std::int32_t index, std::int32_t limit) const
{
    if (index < 0 || index > limit)
        throw std::out_of_range("History index " + std::to_string(index) + " is out of range.");
}

void TFileHistory::ListChanged()
{
    if (UpdateCount == 0)
        Notify();
}

void TFileHistory::Notify()
{
    if (OnChange)
        OnChange(this);
}

namespace {
std::string MenuText(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '&')
            escaped += '&';
        escaped += c;
    }
    return escaped;
}
}  // namespace

std::string FileHistoryCaption(std::int32_t index, std::string_view fileName)
{
    return "&" + std::to_string(index + 1) + " " + MenuText(FileNamePart(fileName)) + " - " +
           MenuText(DirectoryPart(fileName));
}
