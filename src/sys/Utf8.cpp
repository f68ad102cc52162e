#include "sys/Utf8.h"

namespace Utf8 {
namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

std::size_t CharLength(std::string_view text, std::size_t i)
{
    if (i >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        else if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 1;
    }
    if (i + length > text.size())
        return 1;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high)
        return 1;
    for (std::size_t k = 2; k < length; ++k)
        if (!IsContinuation(static_cast<unsigned char>(text[i + k])))
            return 1;
    return length;
}

std::size_t Next(std::string_view text, std::size_t i)
{
    return i >= text.size() ? text.size() : i + CharLength(text, i);
}

std::size_t CharCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i = Next(text, i))
        ++count;
    return count;
}
}  // namespace Utf8
