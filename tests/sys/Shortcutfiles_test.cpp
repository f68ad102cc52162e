#include <gtest/gtest.h>

#include <string>

#include "support/Shelllinkimage.h"
#include "support/Ttreefixture.h"
#include "sys/Shellhelpers.h"
#include "sys/Shortcutfiles.h"

using namespace ShellLinkImage;

TEST(ShellLinkTarget, JoinsTheBasePathAndTheSuffixBehindAnItemIdList)
{
    TLinkImage link = LinkTo("C:\\Work\\", "Src");
    EXPECT_EQ(ShellLinkTarget(link.Bytes()), "C:\\Work\\Src");
    link.Flags |= HasIdList;
    link.IdList = std::string("\x14\x00\x1F\x50", 4) + Zeros(16) + U16(0);
    EXPECT_EQ(ShellLinkTarget(link.Bytes()), "C:\\Work\\Src");
    EXPECT_EQ(ShellLinkTarget(LinkTo("/home/ann/Data").Bytes()), "/home/ann/Data");
}

TEST(ShellLinkTarget, PrefersTheUnicodeFieldsAndSpellsThemInUtf8)
{
    TLinkImage link = LinkTo("C:\\Donn?es");
    link.UnicodeBasePath = Utf16({'C', ':', '\\', 'D', 'o', 'n', 'n', 0x00E9, 'e', 's', '\\'});
    link.UnicodeSuffix = Utf16({0xD83D, 0xDCC1, 0x65E5});
    EXPECT_EQ(ShellLinkTarget(link.Bytes()),
              "C:\\Donn\xC3\xA9"
              "es\\\xF0\x9F\x93\x81\xE6\x97\xA5");
}

TEST(ShellLinkTarget, GivesNothingForLinksWithoutALocalPath)
{
    TLinkImage noInfo = LinkTo("C:\\Work");
    noInfo.Flags = HasIdList;
    noInfo.IdList = Zeros(2);
    EXPECT_EQ(ShellLinkTarget(noInfo.Bytes()), "");
    TLinkImage forced = LinkTo("C:\\Work");
    forced.Flags |= ForceNoLinkInfo;
    EXPECT_EQ(ShellLinkTarget(forced.Bytes()), "");
    TLinkImage networkOnly = LinkTo("C:\\Work");
    networkOnly.LinkInfoFlags = 0x02;
    EXPECT_EQ(ShellLinkTarget(networkOnly.Bytes()), "");
}

TEST(ShellLinkTarget, GivesNothingForBytesThatAreNoShellLink)
{
    EXPECT_EQ(ShellLinkTarget(""), "");
    EXPECT_EQ(ShellLinkTarget("[Desktop Entry]\nType=Link\n"), "");
    std::string wrongSize = LinkTo("C:\\Work").Bytes();
    wrongSize[0] = 0x4D;
    EXPECT_EQ(ShellLinkTarget(wrongSize), "");
    std::string wrongClass = LinkTo("C:\\Work").Bytes();
    wrongClass[4] = 0x02;
    EXPECT_EQ(ShellLinkTarget(wrongClass), "");
}

TEST(ShellLinkTarget, GivesNothingForDamagedImagesAtAnyLength)
{
    TLinkImage link = LinkTo("C:\\Work\\", "Src");
    link.UnicodeBasePath = Utf16("C:\\Work\\");
    link.UnicodeSuffix = Utf16("Src");
    const std::string whole = link.Bytes();
    ASSERT_EQ(ShellLinkTarget(whole), "C:\\Work\\Src");
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_EQ(ShellLinkTarget(whole.substr(0, length)), "") << "cut at " << length;

    // An item ID list that claims to run past the end.
    TLinkImage longList = LinkTo("C:\\Work");
    longList.Flags |= HasIdList;
    longList.IdList = Zeros(4);
    std::string image = longList.Bytes();
    image[76] = '\xFF';
    EXPECT_EQ(ShellLinkTarget(image), "");

    // A base path whose terminator is missing, and one whose offset lies outside LinkInfo.
    TLinkImage plain = LinkTo("C:\\Work");
    std::string unterminated = plain.Bytes();
    unterminated.back() = 'x';
    unterminated[unterminated.size() - 2] = 'y';
    EXPECT_EQ(ShellLinkTarget(unterminated), "");
    std::string outside = plain.Bytes();
    outside[76 + 16] = '\x7F';
    EXPECT_EQ(ShellLinkTarget(outside), "");

    TLinkImage loneSurrogate = LinkTo("C:\\Work");
    loneSurrogate.UnicodeBasePath = Utf16({'C', ':', 0xDC00});
    EXPECT_EQ(ShellLinkTarget(loneSurrogate.Bytes()), "");
}

TEST(DesktopLinkTarget, TakesTheDecodedPathOfALinkToALocalFile)
{
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nName=Data\nURL=file:///home/ann/My%20Data\n"),
              "/home/ann/My Data");
    EXPECT_EQ(DesktopLinkTarget("# made by hand\r\n[Desktop Entry]\r\nURL = FILE://localhost/srv/d%C3%A9p%C3%B4t\r\n"
                                "Type = Link\r\n"),
              "/srv/d\xC3\xA9p\xC3\xB4t");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nURL[de]=file:///de\nURL=file:///a\\sb?x#y\n"), "/a b");
    // The first of two equal keys counts; other groups are not the entry.
    EXPECT_EQ(DesktopLinkTarget("[Other]\nURL=file:///other\n[Desktop Entry]\nType=Link\nURL=file:///one\n"
                                "URL=file:///two\n"),
              "/one");
}

TEST(DesktopLinkTarget, GivesNothingForOtherEntriesAndUrls)
{
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Application\nURL=file:///bin\nExec=true\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nURL=https://example.org/a\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nURL=file://server/share/a\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nURL=file:///a%00b\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\nURL=file:///a%2\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Desktop Entry]\nType=Link\n"), "");
    EXPECT_EQ(DesktopLinkTarget("[Other]\nType=Link\nURL=file:///a\n"), "");
    EXPECT_EQ(DesktopLinkTarget(""), "");
}

TEST(ResolveShortcut, FollowsShortcutFilesByTheirExtensionInAnyCase)
{
    TTreeFixture tree;
    tree.CreateDirectory("Target");
    tree.CreateFile("Target.LNK", LinkTo(tree.Path("Target")).Bytes());
    tree.CreateFile("Target.desktop", "[Desktop Entry]\nType=Link\nURL=file://" + tree.Path("Target") + "\n");
    tree.CreateFile("Gone.lnk", LinkTo(tree.Path("Deleted/Folder")).Bytes());
    EXPECT_TRUE(IsShortcutFileName(tree.Path("Target.LNK")));
    EXPECT_TRUE(IsShortcutFileName("a.Desktop"));
    EXPECT_FALSE(IsShortcutFileName("a.vmc"));
    EXPECT_FALSE(IsShortcutFileName("lnk"));
    EXPECT_EQ(ResolveShortcut(tree.Path("Target.LNK")), tree.Path("Target"));
    EXPECT_EQ(ResolveShortcut(tree.Path("Target.desktop")), tree.Path("Target"));
    // The stored target, whether or not it is still there.
    EXPECT_EQ(ResolveShortcut(tree.Path("Gone.lnk")), tree.Path("Deleted/Folder"));
}

TEST(ResolveShortcut, GivesNothingForFilesThatAreNoShortcut)
{
    TTreeFixture tree;
    tree.CreateFile("Text.lnk", "not a link");
    tree.CreateFile("Link.bin", LinkTo("/srv").Bytes());
    tree.CreateDirectory("Folder.lnk");
    EXPECT_EQ(ResolveShortcut(tree.Path("Text.lnk")), "");
    EXPECT_EQ(ResolveShortcut(tree.Path("Link.bin")), "");
    EXPECT_EQ(ResolveShortcut(tree.Path("Folder.lnk")), "");
    EXPECT_EQ(ResolveShortcut(tree.Path("Missing.lnk")), "");
}
