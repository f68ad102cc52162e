#include "ini/Tmeminifile.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "sys/Tlocalerules.h"
#include "sys/Wholefile.h"

namespace {
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Stripped(std::string_view text)
{
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

// Equal keys are exactly the names that match under the locale's case rules.
std::string NameKey(std::string_view name) { return TLocaleRules::ForThisThread().Lower(name); }

std::optional<std::int32_t> DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    if (value < 0 || value >= base)
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> IniInteger(std::string_view text)
{
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulated as a negative number, whose range holds the most negative 32-bit value.
    constexpr std::int64_t Lowest = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (const char c : text) {
        const std::optional<std::int32_t> digit = DigitValue(c, base);
        if (!digit)
            return std::nullopt;
        value = value * base - *digit;
        if (value < Lowest)
            return std::nullopt;
    }
    if (!negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

bool HoldsLineBreakOrZero(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void CheckWritable(std::string_view section, std::string_view name, std::string_view value)
{
    const auto fail = [](const char* what, std::string_view text) {
        throw std::runtime_error(std::string(what) + " cannot be written to an INI file: \"" + std::string(text) +
                                 "\"");
    };
    if (HoldsLineBreakOrZero(section) || Stripped(section) != section)
        fail("The section name", section);
    if (HoldsLineBreakOrZero(name) || Stripped(name) != name || name.find('=') != std::string_view::npos ||
        name.starts_with(';') || name.starts_with('['))
        fail("The key name", name);
    if (HoldsLineBreakOrZero(value))
        fail("The value", value);
}
}  // namespace

TMemIniFile::TMemIniFile(std::string fileName) : OpenedFileName(std::move(fileName))
{
    if (const std::optional<std::string> text = ReadWholeFile(OpenedFileName, MaxFileSize))
        SetText(*text);
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view name,
                                    std::string_view defaultValue) const
{
    const TLine* entry = FindEntry(section, name);
    return std::string(entry == nullptr ? defaultValue : std::string_view(entry->Text).substr(entry->Separator + 1));
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view name, std::int32_t defaultValue) const
{
    return IniInteger(ReadString(section, name, "")).value_or(defaultValue);
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view name) const
{
    return FindEntry(section, name) != nullptr;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view name, std::string_view value)
{
    CheckWritable(section, name, value);
    const auto found = FirstSection.find(NameKey(section));
    TSection& target = found == FirstSection.end() ? AppendSection(section) : Sections[found->second];
    const auto entry = target.FirstEntry.find(NameKey(name));
    if (entry == target.FirstEntry.end()) {
        AppendEntry(target, name, value);
        return;
    }
    TLine& line = target.Lines[entry->second];
    line.Text = std::string(name) + "=" + std::string(value);
    line.Separator = name.size();
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view name, std::int32_t value)
{
    WriteString(section, name, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view name, bool value)
{
    WriteString(section, name, value ? "1" : "0");
}

void TMemIniFile::Clear()
{
    Sections.clear();
    FirstSection.clear();
}

void TMemIniFile::SetText(std::string_view text)
{
    Clear();
    if (text.starts_with(Utf8ByteOrderMark))
        text.remove_prefix(Utf8ByteOrderMark.size());
    text = text.substr(0, text.find('\0'));
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        ParseLine(text.substr(start, end - start));
        start = text.substr(end, 2) == LineEnd ? end + 2 : end + 1;
    }
}

std::string TMemIniFile::Text() const
{
    std::string text;
    for (const TSection& section : Sections) {
        text.append("[").append(section.Name).append("]").append(LineEnd);
        for (const TLine& line : section.Lines)
            text.append(line.Text).append(LineEnd);
        text.append(LineEnd);
    }
    return text;
}

void TMemIniFile::UpdateFile() const { ReplaceWholeFile(OpenedFileName, Text()); }

const TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view name) const
{
    const auto found = FirstSection.find(NameKey(name));
    return found == FirstSection.end() ? nullptr : &Sections[found->second];
}

const TMemIniFile::TLine* TMemIniFile::FindEntry(std::string_view section, std::string_view name) const
{
    const TSection* found = FindSection(section);
    if (found == nullptr)
        return nullptr;
    const auto entry = found->FirstEntry.find(NameKey(name));
    return entry == found->FirstEntry.end() ? nullptr : &found->Lines[entry->second];
}

TMemIniFile::TSection& TMemIniFile::AppendSection(std::string_view name)
{
    FirstSection.emplace(NameKey(name), Sections.size());
    Sections.push_back(TSection{std::string(name), {}, {}});
    return Sections.back();
}

void TMemIniFile::AppendEntry(TSection& section, std::string_view name, std::string_view value)
{
    section.FirstEntry.emplace(NameKey(name), section.Lines.size());
    section.Lines.push_back(TLine{std::string(name) + "=" + std::string(value), name.size()});
}

void TMemIniFile::ParseLine(std::string_view line)
{
    line = Stripped(line);
    if (line.empty() || line.front() == ';')
        return;
    if (line.front() == '[' && line.back() == ']') {
        AppendSection(Stripped(line.substr(1, line.size() - 2)));
        return;
    }
    // Lines before the first section belong nowhere and are dropped.
    if (Sections.empty())
        return;
    TSection& current = Sections.back();
    const std::size_t separator = line.find('=');
    if (separator == std::string_view::npos)
        current.Lines.push_back(TLine{std::string(line), std::string::npos});
    else
        AppendEntry(current, Stripped(line.substr(0, separator)), Stripped(line.substr(separator + 1)));
}
