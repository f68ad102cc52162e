#include "support/Ttreefixture.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TTreeFixture::TTreeFixture()
{
    std::string pattern = (fs::temp_directory_path() / "vellumark-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    RootPath = pattern;
}

TTreeFixture::~TTreeFixture()
{
    for (const int folder : HeldFolders)
        close(folder);
    std::error_code ignored;
    // Make everything removable again, whatever a test did to the permissions.
    for (auto it = fs::recursive_directory_iterator(RootPath, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(RootPath, ignored);
}

std::string TTreeFixture::Path(const std::string& relative) const { return RootPath + "/" + relative; }

std::string TTreeFixture::DeepFolder()
{
    // Twenty names of 250 bytes: 5,020 bytes, more than one call takes and more than one piece of
    // half that, however short the root.
    std::string chain;
    for (int level = 0; level < 20; ++level)
        chain += (level == 0 ? "" : "/") + std::string(249, 'd') + static_cast<char>('a' + level);
    return chain;
}

std::string TTreeFixture::Reachable(const std::string& relative, bool make) const
{
    std::string path = Path(relative);
    const std::size_t last = relative.rfind('/');
    if (path.size() < PATH_MAX || last == std::string::npos)
        return path;
    int folder = open(RootPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t start = 0; folder >= 0 && start < last;) {
        const std::size_t end = std::min(relative.find('/', start), last);
        const std::string name = relative.substr(start, end - start);
        if (make)
            mkdirat(folder, name.c_str(), 0755);
        const int next = openat(folder, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        folder = next;
        start = end + 1;
    }
    if (folder < 0)
        return path;  // fails as the long path it is
    HeldFolders.push_back(folder);
    return "/proc/self/fd/" + std::to_string(folder) + relative.substr(last);
}

void TTreeFixture::CreateFile(const std::string& relative, const std::string& contents)
{
    const fs::path path = Reachable(relative, true);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void TTreeFixture::CreateFile(const std::string& relative, const std::string& contents, std::int64_t seconds,
                              std::int64_t nanoseconds)
{
    CreateFile(relative, contents);
    SetTime(relative, seconds, nanoseconds);
}

void TTreeFixture::CreateDirectory(const std::string& relative) { fs::create_directories(Reachable(relative, true)); }

void TTreeFixture::CreateSymlink(const std::string& relative, const std::string& target)
{
    const fs::path path = Reachable(relative, true);
    fs::create_directories(path.parent_path());
    fs::create_symlink(target, path);
}

void TTreeFixture::CreateFifo(const std::string& relative)
{
    const fs::path path = Path(relative);
    fs::create_directories(path.parent_path());
    if (mkfifo(path.c_str(), 0644) != 0)
        throw std::runtime_error("cannot create a FIFO at " + path.string());
}

void TTreeFixture::SetTime(const std::string& relative, std::int64_t seconds, std::int64_t nanoseconds)
{
    const timespec times[2] = {{static_cast<time_t>(seconds), static_cast<long>(nanoseconds)},
                               {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)}};
    if (utimensat(AT_FDCWD, Reachable(relative, false).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the time of " + relative);
}

std::string TTreeFixture::ReadFile(const std::string& relative) const
{
    std::ifstream in(Reachable(relative, false), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + relative);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool TTreeFixture::Exists(const std::string& relative) const
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(Reachable(relative, false), ignored));
}

int RunUnprivileged(const std::string& command)
{
    const std::string line = geteuid() == 0
                                 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c '" + command + "'"
                                 : "sh -c '" + command + "'";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
