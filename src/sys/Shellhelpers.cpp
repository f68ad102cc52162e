#include "sys/Shellhelpers.h"

#include <exception>

#include "sys/Mysysutils.h"
#include "sys/Shortcutfiles.h"
#include "sys/Tlocalerules.h"
#include "sys/Wholefile.h"

namespace {
// Shortcuts are a few kilobytes; anything far larger is not one.
constexpr std::size_t MaxShortcutSize = 1024 * 1024;

bool HasExtension(const std::string& path, const char* extension)
{
    return TLocaleRules::ForThisThread().SameFileName(ExtensionPart(path), extension);
}
}  // namespace

std::string LongPathName(const std::string& path) { return path; }

bool IsShortcutFileName(const std::string& path)
{
    return HasExtension(path, ".lnk") || HasExtension(path, ".desktop");
}

std::string ResolveShortcut(const std::string& path)
{
    const bool shellLink = HasExtension(path, ".lnk");
    if (!shellLink && !HasExtension(path, ".desktop"))
        return {};
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(path, MaxShortcutSize);
    } catch (const std::exception&) {
        return {};
    }
    if (!bytes)
        return {};
    return shellLink ? ShellLinkTarget(*bytes) : DesktopLinkTarget(*bytes);
}
