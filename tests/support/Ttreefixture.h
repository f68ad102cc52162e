#pragma once
// A temporary directory tree for tests: files with given contents and modification times,
// directories, links and FIFOs; removed again with everything below it.

#include <cstdint>
#include <string>
#include <vector>

class TTreeFixture {
public:
    TTreeFixture();
    ~TTreeFixture();
    TTreeFixture(const TTreeFixture&) = delete;
    TTreeFixture& operator=(const TTreeFixture&) = delete;

    // The root of the tree, without a trailing delimiter.
    const std::string& Root() const { return RootPath; }
    // Root + "/" + relative.
    std::string Path(const std::string& relative) const;
    // A relative chain of folders longer than one system call takes (PATH_MAX). CreateFile,
    // CreateDirectory, CreateSymlink, SetTime, ReadFile and Exists also take paths through it.
    static std::string DeepFolder();

    // Creates the file (and its missing directories) with the contents and, when given,
    // the modification time as seconds and nanoseconds since 1970.
    void CreateFile(const std::string& relative, const std::string& contents);
    void CreateFile(const std::string& relative, const std::string& contents, std::int64_t seconds,
                    std::int64_t nanoseconds = 0);
    void CreateDirectory(const std::string& relative);
    void CreateSymlink(const std::string& relative, const std::string& target);
    void CreateFifo(const std::string& relative);
    void SetTime(const std::string& relative, std::int64_t seconds, std::int64_t nanoseconds = 0);
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

private:
    // Path (relative), or where that is too long for one call, the same place named through
    // /proc/self/fd/ by the open folder that holds it; make creates the missing folders.
    std::string Reachable(const std::string& relative, bool make) const;

    std::string RootPath;
    // The folders that give long paths their short names.
    mutable std::vector<int> HeldFolders;
};

// Runs a shell command as the unprivileged user "nobody" (tests run as root in CI, where
// permission checks never fail). Returns the command's exit status.
int RunUnprivileged(const std::string& command);
