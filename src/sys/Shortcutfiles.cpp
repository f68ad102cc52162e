#include "sys/Shortcutfiles.h"

#include <array>
#include <cstdint>
#include <optional>

namespace {
// A bounded view of the image: every read checks its range, so a damaged or hostile link can
// only ever give an empty result.
class TByteReader {
public:
    explicit TByteReader(std::string_view bytes) : Bytes(bytes) {}

    std::size_t Size() const { return Bytes.size(); }
    std::optional<std::uint32_t> U16(std::size_t at) const { return Little(at, 2); }
    std::optional<std::uint32_t> U32(std::size_t at) const { return Little(at, 4); }
    std::string_view Slice(std::size_t at, std::size_t length) const
    {
        return at <= Bytes.size() && length <= Bytes.size() - at ? Bytes.substr(at, length) : std::string_view{};
    }

private:
    std::optional<std::uint32_t> Little(std::size_t at, std::size_t width) const
    {
        if (at > Bytes.size() || width > Bytes.size() - at)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = width; i-- > 0;)
            value = value << 8 | static_cast<unsigned char>(Bytes[at + i]);
        return value;
    }

    std::string_view Bytes;
};

constexpr std::uint32_t HeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046} in its stored byte order.
constexpr std::array<unsigned char, 16> LinkClsid{0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t HasLinkTargetIdList = 0x01;
constexpr std::uint32_t HasLinkInfo = 0x02;
constexpr std::uint32_t ForceNoLinkInfo = 0x100;
constexpr std::uint32_t VolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t LinkInfoHeaderWithUnicode = 0x24;

// A zero-terminated byte string starting at the offset within the structure; nothing when
// the offset lies outside it or the terminator is missing.
std::optional<std::string> AnsiString(std::string_view structure, std::uint32_t offset)
{
    if (offset >= structure.size())
        return std::nullopt;
    const std::size_t end = structure.find('\0', offset);
    if (end == std::string_view::npos)
        return std::nullopt;
    return std::string(structure.substr(offset, end - offset));
}

void AppendUtf8(std::string& text, std::uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A zero-terminated UTF-16LE string as UTF-8; nothing when it runs out of the structure or
// holds a lone surrogate (a name that cannot be spelt on this system).
std::optional<std::string> UnicodeString(std::string_view structure, std::uint32_t offset)
{
    const TByteReader reader(structure);
    std::string text;
    for (std::size_t at = offset;; at += 2) {
        const auto unit = reader.U16(at);
        if (!unit)
            return std::nullopt;
        if (*unit == 0)
            return text;
        std::uint32_t code = *unit;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return std::nullopt;
        if (code >= 0xD800 && code <= 0xDBFF) {
            const auto low = reader.U16(at + 2);
            if (!low || *low < 0xDC00 || *low > 0xDFFF)
                return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
            at += 2;
        }
        AppendUtf8(text, code);
    }
}

// The LinkInfo structure's local path: base path plus common path suffix.
std::string LocalPathOfLinkInfo(std::string_view linkInfo)
{
    const TByteReader reader(linkInfo);
    const auto headerSize = reader.U32(4);
    const auto flags = reader.U32(8);
    const auto basePathOffset = reader.U32(16);
    const auto suffixOffset = reader.U32(24);
    if (!headerSize || !flags || !basePathOffset || !suffixOffset || (*flags & VolumeIdAndLocalBasePath) == 0)
        return {};
    std::optional<std::string> base, suffix;
    const auto unicodeBaseOffset = reader.U32(28);
    const auto unicodeSuffixOffset = reader.U32(32);
    // A zero offset means the Unicode form was not stored.
    if (*headerSize >= LinkInfoHeaderWithUnicode && unicodeBaseOffset.value_or(0) != 0 &&
        unicodeSuffixOffset.value_or(0) != 0) {
        base = UnicodeString(linkInfo, *unicodeBaseOffset);
        suffix = UnicodeString(linkInfo, *unicodeSuffixOffset);
    } else {
        base = AnsiString(linkInfo, *basePathOffset);
        suffix = AnsiString(linkInfo, *suffixOffset);
    }
    if (!base || !suffix)
        return {};
    return *base + *suffix;
}

std::string_view TrimmedBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Desktop-entry string escapes: \s \n \t \r and \\.
std::string Unescaped(std::string_view value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            text += ' ';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        default:
            text += value[i];
            break;
        }
    }
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The local path of a "file:" URL; empty for anything else, and for an escape that would
// put a zero byte or a broken escape into the name.
std::string LocalPathOfFileUrl(std::string_view url)
{
    constexpr std::string_view scheme = "file://";
    if (url.size() < scheme.size())
        return {};
    // Schemes are case-insensitive ASCII.
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if ((url[i] >= 'A' && url[i] <= 'Z' ? url[i] - 'A' + 'a' : url[i]) != scheme[i])
            return {};
    std::string_view rest = url.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return {};
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return {};
    rest = rest.substr(slash);
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexDigit(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(rest[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return {};
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}
}  // namespace

std::string ShellLinkTarget(std::string_view image)
{
    const TByteReader reader(image);
    if (reader.U32(0) != HeaderSize ||
        reader.Slice(4, LinkClsid.size()) !=
            std::string_view(reinterpret_cast<const char*>(LinkClsid.data()), LinkClsid.size()))
        return {};
    const auto flags = reader.U32(20);
    if (!flags || (*flags & HasLinkInfo) == 0 || (*flags & ForceNoLinkInfo) != 0)
        return {};
    std::size_t at = HeaderSize;
    if (*flags & HasLinkTargetIdList) {
        const auto idListSize = reader.U16(at);
        if (!idListSize)
            return {};
        at += 2 + *idListSize;
    }
    const auto linkInfoSize = reader.U32(at);
    if (!linkInfoSize)
        return {};
    const std::string_view linkInfo = reader.Slice(at, *linkInfoSize);
    if (linkInfo.size() != *linkInfoSize)
        return {};
    return LocalPathOfLinkInfo(linkInfo);
}

std::string DesktopLinkTarget(std::string_view text)
{
    bool inDesktopEntry = false;
    std::optional<std::string_view> type, url;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = TrimmedBlanks(line);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inDesktopEntry = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inDesktopEntry || equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimmedBlanks(line.substr(0, equals));
        const std::string_view value = TrimmedBlanks(line.substr(equals + 1));
        // The first of two equal keys counts, as in every INI text the program reads.
        if (key == "Type" && !type)
            type = value;
        else if (key == "URL" && !url)
            url = value;
    }
    if (!type || !url || Unescaped(*type) != "Link")
        return {};
    return LocalPathOfFileUrl(Unescaped(*url));
}
