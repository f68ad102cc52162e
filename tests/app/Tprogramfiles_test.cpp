#include <gtest/gtest.h>

#include "app/Tprogramfiles.h"
#include "support/Ttreefixture.h"

namespace {
const std::string Beside = "prefix/bin/Help/index.html";
const std::string Installed = "prefix/share/vellumark/Help/index.html";
}  // namespace

TEST(HelpFileLocation, TakesTheCopyBesideTheExecutableFirstThenTheInstalledOne)
{
    TTreeFixture tree;
    tree.CreateDirectory("prefix/bin");
    // Neither: the place beside the executable, for the message that it cannot be opened.
    EXPECT_EQ(HelpFileLocation(tree.Path("prefix/bin")), tree.Path(Beside));

    tree.CreateFile(Installed, "installed");
    EXPECT_EQ(HelpFileLocation(tree.Path("prefix/bin")), tree.Path(Installed));

    tree.CreateFile(Beside, "portable");
    EXPECT_EQ(HelpFileLocation(tree.Path("prefix/bin")), tree.Path(Beside));
}

TEST(HelpFileLocation, TakesNoDirectoryForTheDocument)
{
    TTreeFixture tree;
    tree.CreateDirectory(Beside);
    tree.CreateFile(Installed, "installed");
    EXPECT_EQ(HelpFileLocation(tree.Path("prefix/bin")), tree.Path(Installed));
}

TEST(HelpFileLocation, LooksOnlyUnderTheExecutablesOwnParent)
{
    TTreeFixture tree;
    // share/ beside bin/ belongs to the prefix; one inside bin/ or two levels up does not.
    tree.CreateFile("prefix/bin/share/vellumark/Help/index.html", "inside");
    tree.CreateFile("share/vellumark/Help/index.html", "above");
    tree.CreateDirectory("prefix/bin");
    EXPECT_EQ(HelpFileLocation(tree.Path("prefix/bin")), tree.Path(Beside));
}
