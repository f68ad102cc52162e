// Feeds arbitrary bytes to the INI parser, every read of the document and the compare-file
// loader, and checks what must hold for any input: the written text parses back to itself,
// integers convert as an independent conversion says, written values read back, and options
// loaded from any file survive a save and a reload unchanged.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "compare/Tcompareloader.h"
#include "ini/Tmeminifile.h"

namespace {
void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "Broken: %s\n", what);
        std::abort();
    }
}

std::string_view Stripped(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return text;
}

// The integer rules written a second way, with the standard conversion.
std::optional<std::int32_t> ExpectedInteger(std::string_view text)
{
    int base = 10;
    bool negative = false;
    std::string_view digits = text;
    if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
        base = 16;
        digits.remove_prefix(2);
    } else if (text.starts_with('$')) {
        base = 16;
        digits.remove_prefix(1);
    } else if (text.starts_with('+') || text.starts_with('-')) {
        negative = text.front() == '-';
        digits.remove_prefix(1);
    }
    // Unsigned, so that from_chars takes no second sign.
    std::uint64_t value = 0;
    const char* last = digits.data() + digits.size();
    const auto [end, error] = std::from_chars(digits.data(), last, value, base);
    if (error != std::errc() || end != last || value > (negative ? 2147483648u : 2147483647u))
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value));
}

struct TName {
    std::string Section;
    std::string Key;
};

// The names the input itself uses: each name before an "=" with the section it stands in.
std::vector<TName> NamesIn(std::string_view text)
{
    constexpr std::size_t MaxNames = 32;
    std::vector<TName> names{{"About", "FileType"}, {"About", "MajorVersion"}, {"Options", "IncludeSubDirs"}, {"", ""}};
    std::string section;
    for (std::size_t start = 0; start < text.size() && names.size() < MaxNames;) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string_view line = Stripped(text.substr(start, end - start));
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            section = Stripped(line.substr(1, line.size() - 2));
        else if (const std::size_t separator = line.find('='); separator != std::string_view::npos)
            names.push_back({section, std::string(Stripped(line.substr(0, separator)))});
        start = end + 1;
    }
    return names;
}

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

void CheckReads(const TMemIniFile& document, const std::string& section, const std::string& key)
{
    const bool exists = document.ValueExists(section, key);
    const std::string value = document.ReadString(section, key, "\x01");
    Require(exists || value == "\x01", "a missing entry gives the default");
    Require(!exists || document.ReadString(section, key, "\x02") == value, "an entry's value ignores the default");
    const std::int32_t integer = document.ReadInteger(section, key, 12345);
    Require(integer == ExpectedInteger(exists ? value : "").value_or(12345), "integers convert by the rules");
    Require(document.ReadBool(section, key, true) == (document.ReadInteger(section, key, 1) != 0),
            "booleans are integers");
    Require(document.ReadBool(section, key, false) == (document.ReadInteger(section, key, 0) != 0),
            "booleans are integers");
}

void CheckWriteReadsBack(TMemIniFile document, const std::string& section, const std::string& key,
                         const std::string& value, std::int32_t number)
{
    try {
        document.WriteString(section, key, value);
    } catch (const std::runtime_error&) {
        return;  // refused names and values leave nothing to check
    }
    Require(document.ReadString(section, key, "") == value, "a written value reads back");
    TMemIniFile reparsed;
    reparsed.SetText(document.Text());
    Require(reparsed.ReadString(section, key, "") == Stripped(value), "a written value survives the file");
    document.WriteInteger(section, key, number);
    reparsed.SetText(document.Text());
    Require(reparsed.ReadInteger(section, key, number ^ 1) == number, "a written integer survives the file");
}

// A directory of this run for the loader's files (in memory where possible), removed at exit.
class TWorkDirectory {
public:
    TWorkDirectory()
    {
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        Path = base / ("vellumark-ini-fuzz-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(Path);
    }
    ~TWorkDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    TWorkDirectory(const TWorkDirectory&) = delete;
    TWorkDirectory& operator=(const TWorkDirectory&) = delete;

    std::string File(const char* name) const { return (Path / name).string(); }

private:
    std::filesystem::path Path;
};

void CheckCompareLoader(std::string_view input)
{
    static const TWorkDirectory directory;
    const std::string loadedName = directory.File("in.vmc");
    const std::string savedName = directory.File("out.vmc");
    std::ofstream(loadedName, std::ios::binary | std::ios::trunc)
        .write(input.data(), static_cast<std::streamsize>(input.size()));

    TCompareLoader loader;
    loader.LoadFromFile(loadedName);
    const bool ownVersion = loader.MinorVersion == 0 && (loader.MajorVersion == 0 || loader.MajorVersion == 1);
    Require(loader.IsSupported() == (ownVersion && loader.FileType == "Vellumark Compare") ||
                (ownVersion && loader.FileType != "Vellumark Compare"),
            "the program's own tag and versions are supported, other versions not");
    loader.SaveToFile(savedName);
    TCompareLoader reloaded;
    reloaded.LoadFromFile(savedName);
    Require(reloaded.IsSupported(), "a saved compare file is supported");
    Require(reloaded.Options == loader.Options, "loaded options survive a save and a reload");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TMemIniFile document;
    document.SetText(input);
    const std::string text = document.Text();
    TMemIniFile reparsed;
    reparsed.SetText(text);
    Require(reparsed.Text() == text, "the written text parses back to itself");

    const std::vector<TName> names = NamesIn(input.substr(0, input.find('\0')));
    for (const TName& name : names) {
        CheckReads(document, name.Section, name.Key);
        CheckReads(document, UpperAscii(name.Section), UpperAscii(name.Key));
    }

    const std::string value(input.substr(input.size() / 2, 40));
    const std::int32_t number = static_cast<std::int32_t>(std::hash<std::string_view>()(input));
    CheckWriteReadsBack(document, names.back().Section, names.back().Key, value, number);

    CheckCompareLoader(input);
    return 0;
}
