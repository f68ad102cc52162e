#pragma once
// An INI document held wholly in memory: opening reads and parses the whole file, reads and
// writes work on the memory copy, and UpdateFile replaces the whole file with it.
// Section and entry names match without regard to letter case under the user's locale; of
// two equal names the first one counts. Text is kept as bytes, unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TMemIniFile {
public:
    // Larger files are refused: these documents hold settings, not data.
    static constexpr std::size_t MaxFileSize = 16 * 1024 * 1024;

    // An empty document on no file (UpdateFile then fails).
    TMemIniFile() = default;
    // Opens the document on the file: an existing file is read and parsed now, a missing one
    // gives an empty document. A file that cannot be read raises std::runtime_error.
    explicit TMemIniFile(std::string fileName);

    const std::string& FileName() const { return OpenedFileName; }

    // The value of the first entry of that name in the first section of that name.
    std::string ReadString(std::string_view section, std::string_view name, std::string_view defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "$", "0x" or "0X"; anything else,
    // and a number outside the signed 32-bit range, gives the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view name, std::int32_t defaultValue) const;
    // An integer; any value but 0 is true.
    bool ReadBool(std::string_view section, std::string_view name, bool defaultValue) const;
    bool ValueExists(std::string_view section, std::string_view name) const;

    // Replaces the first entry of that name in the first section of that name, or appends
    // one (and the section, when missing). Names and values that would read back otherwise
    // (a line break or zero byte anywhere, blanks around a name, "=" in a key name, a key name
    // beginning with ";" or "[") raise std::runtime_error rather than spoil the file. Blanks
    // around a value are written but vanish on reading.
    void WriteString(std::string_view section, std::string_view name, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view name, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view name, bool value);

    // Removes every section.
    void Clear();
    // Replaces the document with the one the text holds, parsed as a file's text.
    void SetText(std::string_view text);
    // The whole document as it is written: each section's line in brackets, its lines, one
    // empty line; every line ends with CR LF.
    std::string Text() const;
    // Replaces the file's whole contents with Text(); a failed write leaves the old file.
    // Raises std::runtime_error.
    void UpdateFile() const;

private:
    // An entry "name=value", or a bare line without "=", kept as it is written back.
    struct TLine {
        std::string Text;
        // Where the first "=" is; npos for a bare line.
        std::size_t Separator = std::string::npos;
    };
    struct TSection {
        std::string Name;
        std::vector<TLine> Lines;
        // The first entry of each name, by the lower-cased name.
        std::unordered_map<std::string, std::size_t> FirstEntry;
    };

    const TSection* FindSection(std::string_view name) const;
    const TLine* FindEntry(std::string_view section, std::string_view name) const;
    TSection& AppendSection(std::string_view name);
    static void AppendEntry(TSection& section, std::string_view name, std::string_view value);
    void ParseLine(std::string_view line);

    std::string OpenedFileName;
    std::vector<TSection> Sections;
    // The first section of each name, by the lower-cased name.
    std::unordered_map<std::string, std::size_t> FirstSection;
};
