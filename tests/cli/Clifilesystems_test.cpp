#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/Tcommandrunner.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"

namespace {
const std::string Cli = VELLUMARK_CLI;

struct TFileSystem {
    std::string Name;
    std::function<std::unique_ptr<TMount>(const std::string& image, const std::string& at)> Mount;
    // Whether it takes names that differ in case or Unicode form for one.
    bool FoldsNames;
    // The move runs as the unprivileged user "nobody", who owns the card's files as a desktop
    // mounts a card for its user.
    bool AsNobody = false;
};

std::string ReadWhole(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// Some file systems refuse some names (FAT: Greek letters); what they refuse is left out. Every
// file gets one last-write time.
void WriteIfPossible(const std::filesystem::path& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void PrintTo(const TFileSystem& fileSystem, std::ostream* out) { *out << fileSystem.Name; }

class CliFileSystems : public ::testing::TestWithParam<TFileSystem> {};
}  // namespace

// A card that holds a file under one spelling, and a source with two files that the card takes
// for that one: whatever a move logs is true, and no text is lost, in the first move or in the
// next. The card's kernel caches still answer for the first spelling after the second's file
// replaced it.
TEST_P(CliFileSystems, AMoveOverNamesTheDestinationFoldsLosesNothing)
{
    TTreeFixture tree;
    tree.CreateDirectory("card");
    const std::unique_ptr<TMount> card = GetParam().Mount(tree.Path("image"), tree.Path("card"));
    const std::filesystem::path source = tree.Path("src"), destination = tree.Path("card/dst");
    std::filesystem::create_directories(source);
    std::filesystem::create_directories(destination);
    const std::map<std::string, std::string> texts{{"A.txt", std::string(406, 'A')},
                                                   {"a.txt", "0123456789"},
                                                   {"ΦΩΤΟΓΡΑΦΙΕΣ.jpg", "AAAAAAAAAA"},
                                                   {"φωτογραφιες.jpg", "BBBBBBBBBB"}};
    for (const auto& [name, text] : texts)
        WriteIfPossible(source / name, text);
    WriteIfPossible(destination / "a.txt", "old");
    WriteIfPossible(destination / "φωτογραφιες.jpg", "CCCCCCCCCC");

    TCommandResult moved;
    if (GetParam().AsNobody) {
        // The source is the user's own; root made it.
        for (const std::filesystem::path& path : {std::filesystem::path(tree.Root()), source})
            std::filesystem::permissions(path, std::filesystem::perms::all);
        const passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr) << "the test needs the user nobody";
        for (const auto& entry : std::filesystem::directory_iterator(source))
            ASSERT_EQ(chown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        const std::string log = tree.Path("log"), errors = tree.Path("errors");
        moved.Status = RunUnprivileged(Cli + " move --yes --show-not-modified " + source.string() + " " +
                                       destination.string() + " >" + log + " 2>" + errors);
        moved.Output = ReadWhole(log);
        moved.Errors = ReadWhole(errors);
    } else {
        moved = RunCommand({Cli, "move", "--yes", "--show-not-modified", source.string(), destination.string()});
    }
    std::set<std::string> onCard;
    for (const auto& entry : std::filesystem::directory_iterator(destination))
        onCard.insert(ReadWhole(entry.path()));
    std::map<std::string, std::string> results;
    std::istringstream log(moved.Output);
    for (std::string announcement, result; std::getline(log, announcement) && std::getline(log, result);)
        for (const auto& [name, text] : texts)
            if (announcement.starts_with("Moving \"" + name + "\""))
                results[name] = result;
    ASSERT_EQ(results.size(), texts.size()) << moved.Output << moved.Errors;
    for (const auto& [name, text] : texts) {
        if (results[name] == "Succeeded\r") {
            EXPECT_TRUE(onCard.contains(text)) << name << " logged as moved, but its text is not on the card";
            EXPECT_FALSE(std::filesystem::exists(source / name)) << name;
        } else {
            EXPECT_EQ(ReadWhole(source / name), text) << name << " not moved, and its source is not intact";
        }
    }
    const auto succeeded = [&](const std::string& name) { return results[name] == "Succeeded\r"; };
    if (GetParam().FoldsNames) {
        EXPECT_NE(succeeded("A.txt"), succeeded("a.txt"));
    } else {
        for (const auto& [name, text] : texts)
            EXPECT_TRUE(succeeded(name)) << name << " on a file system that keeps names apart";
    }

    // Moved again, a file that stayed meets the card's file of the other spelling, which may be
    // the only copy of the text of the file moved first.
    const TCommandResult again =
        RunCommand({Cli, "move", "--yes", "--show-not-modified", source.string(), destination.string()});
    std::set<std::string> kept;
    for (const std::filesystem::path& folder : {source, destination})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            kept.insert(ReadWhole(entry.path()));
    for (const auto& [name, text] : texts)
        EXPECT_TRUE(kept.contains(text)) << name << " lost by a second move: " << again.Output;
}

// A file renamed in case only is the same file to a card that ignores case, and a file only
// the card has to one that does not: either way the list shows the move with the card's name.
TEST_P(CliFileSystems, ACaseOnlyRenameIsListedAsMovedWithTheOldName)
{
    TTreeFixture tree;
    tree.CreateDirectory("card");
    const std::unique_ptr<TMount> card = GetParam().Mount(tree.Path("image"), tree.Path("card"));
    const std::filesystem::path source = tree.Path("src"), destination = tree.Path("card/dst");
    std::filesystem::create_directories(source);
    std::filesystem::create_directories(destination);
    WriteIfPossible(source / "Photo.JPG", "pixels");
    WriteIfPossible(destination / "photo.jpg", "pixels");
    WriteIfPossible(destination / "extra.txt", "x");
    // A folder renamed in case only: on a card that ignores case its files are their own
    // counterparts, never files only the card has.
    std::filesystem::create_directories(source / "Album");
    std::filesystem::create_directories(destination / "album");
    WriteIfPossible(source / "Album" / "pic.png", "picture");
    WriteIfPossible(destination / "album" / "pic.png", "picture");
    std::string oldName;
    for (const auto& entry : std::filesystem::directory_iterator(destination))
        if (entry.is_regular_file() && entry.path().filename() != "extra.txt")
            oldName = entry.path().filename();
    ASSERT_NE(oldName, "Photo.JPG");

    const TCommandResult plain =
        RunCommand({Cli, "compare", "--format", "json", source.string(), destination.string()});
    ASSERT_EQ(plain.Status, 0) << plain.Errors;
    EXPECT_EQ(plain.Output.find("Moved"), std::string::npos) << plain.Output;
    EXPECT_EQ(plain.Output.find("Only in destination"), std::string::npos) << plain.Output;

    const TCommandResult listed = RunCommand(
        {Cli, "compare", "--show-destination-only", "--format", "json", source.string(), destination.string()});
    ASSERT_EQ(listed.Status, 0) << listed.Errors;
    EXPECT_NE(listed.Output.find("{\"source\":\"" + (source / "Photo.JPG").string() + "\",\"destination\":\"" +
                                 (destination / "Photo.JPG").string() + "\",\"result\":\"Moved\""),
              std::string::npos)
        << listed.Output;
    EXPECT_NE(listed.Output.find(",\"movedFrom\":\"" + (destination / oldName).string() + "\"}"), std::string::npos)
        << listed.Output;
    EXPECT_NE(listed.Output.find("/extra.txt\",\"result\":\"Only in destination\""), std::string::npos)
        << listed.Output;
    EXPECT_EQ(listed.Output.find("pic.png\",\"result\":\"Only in destination\""), std::string::npos) << listed.Output;
    const bool folds = GetParam().FoldsNames;
    EXPECT_EQ(listed.Output.find("\"movedFrom\":\"" + (destination / "album" / "pic.png").string()) !=
                  std::string::npos,
              !folds)
        << listed.Output;
    EXPECT_EQ(std::count(listed.Output.begin(), listed.Output.end(), '\n'), folds ? 4 : 5) << listed.Output;
}

// A mirror to the top of a card: a file renamed in case only takes its new name on the card,
// a file only the card has goes to the card's own trash, and the trash is never listed.
TEST_P(CliFileSystems, AMirrorToTheTopOfACardRenamesInCaseAndRemovesToTheCardsTrash)
{
    TTreeFixture tree;
    tree.CreateDirectory("card");
    const std::unique_ptr<TMount> card = GetParam().Mount(tree.Path("image"), tree.Path("card"));
    const std::filesystem::path source = tree.Path("src"), destination = tree.Path("card");
    std::filesystem::create_directories(source / "Album");
    std::filesystem::create_directories(destination / "Album");
    WriteIfPossible(source / "Photo.JPG", "pixels");
    WriteIfPossible(destination / "photo.jpg", "pixels");
    for (const char* name : {"a.png", "b.png"}) {
        WriteIfPossible(source / "Album" / name, name);
        WriteIfPossible(destination / "Album" / name, name);
    }
    WriteIfPossible(destination / "extra.txt", "only on the card");

    std::string command = Cli + " mirror --yes " + source.string() + " " + destination.string();
    if (GetParam().AsNobody) {
        std::filesystem::permissions(tree.Root(), std::filesystem::perms::all);
        std::filesystem::permissions(source, std::filesystem::perms::all);
    }
    const std::string log = tree.Path("log");
    const int status = GetParam().AsNobody ? RunUnprivileged(command + " >" + log + " 2>&1")
                                           : std::system((command + " >" + log + " 2>&1").c_str());
    EXPECT_EQ(status, 0) << ReadWhole(log);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(destination))
        if (entry.is_regular_file())
            names.insert(entry.path().filename());
    EXPECT_EQ(names, std::set<std::string>{"Photo.JPG"}) << ReadWhole(log);
    EXPECT_EQ(ReadWhole(destination / "Photo.JPG"), "pixels");
    const uid_t user = GetParam().AsNobody ? getpwnam("nobody")->pw_uid : geteuid();
    EXPECT_EQ(ReadWhole(destination / (".Trash-" + std::to_string(user)) / "files" / "extra.txt"), "only on the card");

    const TCommandResult listed =
        RunCommand({Cli, "compare", "--show-destination-only", source.string(), destination.string()});
    EXPECT_EQ(listed.Output, "Name,Directory,Extension,\"Size remainder\",\"Time reminder\",Result\r\n")
        << listed.Errors;
}

INSTANTIATE_TEST_SUITE_P(
    RealMounts, CliFileSystems,
    ::testing::Values(
        TFileSystem{"exFAT", [](const std::string& image, const std::string& at) { return TMount::Exfat(image, at); },
                    true},
        TFileSystem{"exFATAsNobody",
                    [](const std::string& image, const std::string& at) { return TMount::Exfat(image, at, "nobody"); },
                    true, true},
        TFileSystem{"FAT", TMount::Fat, true}, TFileSystem{"NTFS", TMount::Ntfs, false},
        TFileSystem{"tmpfs", [](const std::string&, const std::string& at) { return TMount::Tmpfs(at, "8M"); }, false}),
    [](const ::testing::TestParamInfo<TFileSystem>& mounted) { return mounted.param.Name; });
