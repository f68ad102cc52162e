#pragma once
// Shell link images made by hand, laid out as the published format describes them: the
// 76-byte header, an optional item ID list, and a LinkInfo structure with a volume ID and
// the path fields.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace ShellLinkImage {
inline std::string U16(std::uint32_t value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}
inline std::string U32(std::uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }
inline std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

// UTF-16LE code units, zero-terminated.
inline std::string Utf16(std::initializer_list<std::uint16_t> units)
{
    std::string bytes;
    for (std::uint16_t unit : units)
        bytes += U16(unit);
    return bytes + U16(0);
}
inline std::string Utf16(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii)
        bytes += U16(static_cast<unsigned char>(c));
    return bytes + U16(0);
}

inline constexpr std::uint32_t HasIdList = 0x01, HasLinkInfo = 0x02, IsUnicode = 0x80, ForceNoLinkInfo = 0x100;

struct TLinkImage {
    std::uint32_t Flags = HasLinkInfo | IsUnicode;
    std::optional<std::string> IdList;
    std::uint32_t LinkInfoFlags = 0x01;
    std::string LocalBasePath;
    std::string CommonPathSuffix;
    // Already encoded as zero-terminated UTF-16LE; with them the header grows to 0x24 bytes.
    std::optional<std::string> UnicodeBasePath;
    std::optional<std::string> UnicodeSuffix;

    std::string LinkInfo() const
    {
        const bool unicode = UnicodeBasePath.has_value();
        const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
        const std::string volumeId = U32(0x11) + U32(3) + U32(0x1234ABCD) + U32(0x10) + Zeros(1);
        const std::uint32_t volumeOffset = headerSize;
        const std::uint32_t baseOffset = volumeOffset + static_cast<std::uint32_t>(volumeId.size());
        const std::uint32_t suffixOffset = baseOffset + static_cast<std::uint32_t>(LocalBasePath.size() + 1);
        const std::uint32_t unicodeBaseOffset = suffixOffset + static_cast<std::uint32_t>(CommonPathSuffix.size() + 1);
        const std::uint32_t unicodeSuffixOffset =
            unicodeBaseOffset + static_cast<std::uint32_t>(UnicodeBasePath.value_or("").size());
        std::string body = volumeId + LocalBasePath + Zeros(1) + CommonPathSuffix + Zeros(1);
        std::string header =
            U32(headerSize) + U32(LinkInfoFlags) + U32(volumeOffset) + U32(baseOffset) + U32(0) + U32(suffixOffset);
        if (unicode) {
            header += U32(unicodeBaseOffset) + U32(unicodeSuffixOffset);
            body += *UnicodeBasePath + UnicodeSuffix.value_or(Utf16(""));
        }
        const auto size = static_cast<std::uint32_t>(4 + header.size() + body.size());
        return U32(size) + header + body;
    }

    std::string Bytes() const
    {
        const std::string clsid("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
        std::string image = U32(0x4C) + clsid + U32(Flags) + U32(0x10) + Zeros(24) + U32(0) + U32(0) + U32(1) + U16(0) +
                            U16(0) + U32(0) + U32(0);
        if (IdList)
            image += U16(static_cast<std::uint32_t>(IdList->size())) + *IdList;
        return image + LinkInfo();
    }
};

inline TLinkImage LinkTo(const std::string& base, const std::string& suffix = "")
{
    TLinkImage link;
    link.LocalBasePath = base;
    link.CommonPathSuffix = suffix;
    return link;
}
}  // namespace ShellLinkImage
