#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "compare/Tcompareloader.h"
#include "ini/Tmeminifile.h"
#include "support/Ttreefixture.h"

namespace {
const std::string DefaultFile =
    "[About]\r\n"
    "FileType=Vellumark Compare\r\n"
    "MajorVersion=1\r\n"
    "MinorVersion=0\r\n"
    "\r\n"
    "[Options]\r\n"
    "SrcDir=\r\n"
    "DstDir=\r\n"
    "UseIncludeMasks=0\r\n"
    "IncludeMasks=*\r\n"
    "UseExcludeMasks=0\r\n"
    "ExcludeMasks=*\r\n"
    "IncludeSubDirs=1\r\n"
    "FatPrecision=1\r\n"
    "ShowNotModified=0\r\n"
    "\r\n";

TCompareOptions ChangedOptions()
{
    TCompareOptions options;
    options.SrcDir = "/home/me/src dir";
    options.DstDir = "/mnt/backup/\xC3\xA9t\xC3\xA9";
    options.UseIncludeMasks = true;
    options.IncludeMasks = "*.txt;*.doc";
    options.UseExcludeMasks = true;
    options.ExcludeMasks = "~*;a=b";
    options.IncludeSubDirs = false;
    options.FatPrecision = false;
    options.ShowNotModified = true;
    return options;
}

class TCompareLoaderTest : public testing::Test {
protected:
    // Loads a compare file with the given text into a fresh loader.
    TCompareLoader Loaded(const std::string& text)
    {
        Tree.CreateFile("in.vmc", text);
        TCompareLoader loader;
        loader.LoadFromFile(Tree.Path("in.vmc"));
        return loader;
    }

    TTreeFixture Tree;
};
}  // namespace

TEST_F(TCompareLoaderTest, StartsWithTheProgramsTagVersionAndDefaultOptions)
{
    TCompareLoader loader;
    EXPECT_EQ(loader.FileType, "Vellumark Compare");
    EXPECT_EQ(loader.MajorVersion, 1);
    EXPECT_EQ(loader.MinorVersion, 0);
    EXPECT_EQ(loader.Options, TCompareOptions());
    EXPECT_TRUE(loader.IsSupported());

    loader.FileType = "other";
    loader.MajorVersion = 5;
    loader.Options = ChangedOptions();
    loader.Reset();
    EXPECT_EQ(loader.FileType, "Vellumark Compare");
    EXPECT_EQ(loader.MajorVersion, 1);
    EXPECT_EQ(loader.Options, TCompareOptions());
}

TEST_F(TCompareLoaderTest, SavesTheSixteenLinesAndReadsThemBack)
{
    TCompareLoader saver;
    saver.FileType = "ignored";
    saver.MajorVersion = 7;
    saver.MinorVersion = 3;
    saver.SaveToFile(Tree.Path("default.vmc"));
    EXPECT_EQ(Tree.ReadFile("default.vmc"), DefaultFile);

    TCompareLoader loader;
    loader.Options = ChangedOptions();
    loader.LoadFromFile(Tree.Path("default.vmc"));
    EXPECT_TRUE(loader.IsSupported());
    EXPECT_EQ(loader.Options, TCompareOptions());

    saver.Options = ChangedOptions();
    saver.SaveToFile(Tree.Path("changed.vmc"));
    EXPECT_EQ(Tree.ReadFile("changed.vmc"),
              "[About]\r\nFileType=Vellumark Compare\r\nMajorVersion=1\r\nMinorVersion=0\r\n\r\n"
              "[Options]\r\nSrcDir=/home/me/src dir\r\nDstDir=/mnt/backup/\xC3\xA9t\xC3\xA9\r\n"
              "UseIncludeMasks=1\r\nIncludeMasks=*.txt;*.doc\r\nUseExcludeMasks=1\r\nExcludeMasks=~*;a=b\r\n"
              "IncludeSubDirs=0\r\nFatPrecision=0\r\nShowNotModified=1\r\n\r\n");
    loader.LoadFromFile(Tree.Path("changed.vmc"));
    EXPECT_TRUE(loader.IsSupported());
    EXPECT_EQ(loader.Options, ChangedOptions());

    // The switches added since are one more key each, there only when on, and read back.
    const std::pair<bool TCompareOptions::*, std::string> laterSwitches[] = {
        {&TCompareOptions::IgnoreHourShift, "IgnoreHourShift"},
        {&TCompareOptions::ShowDestinationOnly, "ShowDestinationOnly"},
        {&TCompareOptions::CompareContents, "CompareContents"}};
    for (const auto& [option, key] : laterSwitches) {
        TCompareLoader one;
        one.Options = ChangedOptions();
        one.Options.*option = true;
        one.SaveToFile(Tree.Path(key + ".vmc"));
        EXPECT_TRUE(Tree.ReadFile(key + ".vmc").ends_with("ShowNotModified=1\r\n" + key + "=1\r\n\r\n")) << key;
        loader.LoadFromFile(Tree.Path(key + ".vmc"));
        EXPECT_EQ(loader.Options, one.Options) << key;
    }
}

TEST_F(TCompareLoaderTest, SupportsTheTagInAnyCaseAndOnlyVersionsZeroAndOneDotZero)
{
    const auto supported = [&](const std::string& about) { return Loaded("[About]\n" + about).IsSupported(); };
    EXPECT_TRUE(supported("FileType=vellumark COMPARE\nMajorVersion=1\nMinorVersion=0\n"));
    EXPECT_TRUE(supported("filetype = Vellumark Compare \nmajorversion=0\nMINORVERSION=0x0\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMajorVersion=2\nMinorVersion=0\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMajorVersion=1\nMinorVersion=1\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMajorVersion=0\nMinorVersion=1\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMajorVersion=1\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMinorVersion=0\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compare\nMajorVersion=one\nMinorVersion=0\n"));
    EXPECT_FALSE(supported("FileType=Vellumark Compared\nMajorVersion=1\nMinorVersion=0\n"));
    EXPECT_FALSE(supported("MajorVersion=1\nMinorVersion=0\n"));
}

TEST_F(TCompareLoaderTest, AFileWithOnlyTheHeaderGivesDefaultOptions)
{
    TCompareLoader loader = Loaded("[About]\r\nFileType=Vellumark Compare\r\nMajorVersion=1\r\nMinorVersion=0\r\n");
    EXPECT_TRUE(loader.IsSupported());
    EXPECT_EQ(loader.Options, TCompareOptions());
}

TEST_F(TCompareLoaderTest, AMissingFileReadsAsAnUnsupportedEmptyDocument)
{
    TCompareLoader loader;
    loader.Options = ChangedOptions();
    loader.LoadFromFile(Tree.Path("missing.vmc"));
    EXPECT_EQ(loader.FileType, "");
    EXPECT_EQ(loader.MajorVersion, -1);
    EXPECT_EQ(loader.MinorVersion, -1);
    EXPECT_FALSE(loader.IsSupported());
    EXPECT_EQ(loader.Options, TCompareOptions());
}

TEST_F(TCompareLoaderTest, SwitchesReadAsIntegersAndFallBackToTheirDefaults)
{
    const auto includeSubDirs = [&](const std::string& value) {
        return Loaded("[Options]\nIncludeSubDirs=" + value + "\nShowNotModified=" + value + "\n").Options;
    };
    EXPECT_TRUE(includeSubDirs("2").IncludeSubDirs);
    EXPECT_TRUE(includeSubDirs("2").ShowNotModified);
    EXPECT_TRUE(includeSubDirs("yes").IncludeSubDirs);
    EXPECT_FALSE(includeSubDirs("yes").ShowNotModified);
    EXPECT_FALSE(includeSubDirs("0").IncludeSubDirs);
    EXPECT_TRUE(includeSubDirs("$1").ShowNotModified);
}

TEST_F(TCompareLoaderTest, ReadsNamesInAnyCaseAndDropsBlanksAroundValues)
{
    const TCompareOptions options =
        Loaded("[options]\nsrcdir=/first\nSRCDIR=/second\n  IncludeMasks =   *.txt ; *.doc  \n").Options;
    EXPECT_EQ(options.SrcDir, "/first");
    EXPECT_EQ(options.IncludeMasks, "*.txt ; *.doc");

    TCompareLoader saver;
    saver.Options.ExcludeMasks = "  *.tmp  ";
    saver.SaveToFile(Tree.Path("blanks.vmc"));
    TCompareLoader loader;
    loader.LoadFromFile(Tree.Path("blanks.vmc"));
    EXPECT_EQ(loader.Options.ExcludeMasks, "*.tmp");
}

TEST_F(TCompareLoaderTest, SavingOverAnotherFileLeavesOnlyItsOwnSections)
{
    Tree.CreateFile("over.vmc", "[Other]\nx=1\n[Options]\nSrcDir=/old\nExtra=1\n[About]\nNote=hi\n");
    TCompareLoader().SaveToFile(Tree.Path("over.vmc"));
    EXPECT_EQ(Tree.ReadFile("over.vmc"), DefaultFile);
}

TEST_F(TCompareLoaderTest, FailuresRaiseAndKeepTheOldFile)
{
    Tree.CreateDirectory("folder.vmc");
    TCompareLoader loader;
    loader.Options = ChangedOptions();
    EXPECT_THROW(loader.LoadFromFile(Tree.Path("folder.vmc")), std::runtime_error);
    EXPECT_EQ(loader.Options, ChangedOptions());  // nothing was read, nothing reset
    EXPECT_THROW(loader.SaveToFile(Tree.Path("folder.vmc")), std::runtime_error);

    // An existing file that cannot be read is not overwritten.
    const std::string big = "[About]\n" + std::string(TMemIniFile::MaxFileSize, ';');
    Tree.CreateFile("big.vmc", big);
    EXPECT_THROW(TCompareLoader().SaveToFile(Tree.Path("big.vmc")), std::runtime_error);
    EXPECT_EQ(Tree.ReadFile("big.vmc"), big);

    // A line break in a path would split the file into other keys.
    Tree.CreateFile("kept.vmc", DefaultFile);
    TCompareLoader saver;
    saver.Options.SrcDir = "/tmp/x\nDstDir=/";
    EXPECT_THROW(saver.SaveToFile(Tree.Path("kept.vmc")), std::runtime_error);
    EXPECT_EQ(Tree.ReadFile("kept.vmc"), DefaultFile);
}
