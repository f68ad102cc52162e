#include "sys/Lookalikenames.h"

#include <stdexcept>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace {
std::string AsciiLower(std::string_view name)
{
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}
}  // namespace

std::string LookAlikeKey(std::string_view name)
{
    bool ascii = true;
    for (const char c : name)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return AsciiLower(name);

    // Upper case first: tables that map both ı and i to I, or σ and ς to Σ, meet a folding
    // that keeps ı apart; the folded compatibility form then joins what case and form split.
    icu::UnicodeString upper;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    const auto length = static_cast<std::int32_t>(name.size());
    for (std::int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        // A byte that is not UTF-8 stands for itself, apart from every character.
        upper.append(c < 0 ? static_cast<UChar32>(0xF0000 + bytes[at - 1]) : u_toupper(c));
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* folding = icu::Normalizer2::getNFKCCasefoldInstance(status);
    if (U_FAILURE(status))
        throw std::runtime_error("The Unicode folding data cannot be loaded.");
    const icu::UnicodeString folded = folding->normalize(upper, status);
    if (U_FAILURE(status))
        throw std::runtime_error("A name cannot be folded for comparison.");
    std::string key;
    folded.toUTF8String(key);
    return key;
}
