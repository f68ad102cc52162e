// Shortcut files come from anyone's drop: neither parser may read outside the bytes or fail
// on anything they hold.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sys/Shortcutfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ShellLinkTarget(bytes);
    DesktopLinkTarget(bytes);
    return 0;
}
