#include "support/Ttreefixture.h"

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
    std::error_code ignored;
    // Make everything removable again, whatever a test did to the permissions.
    for (auto it = fs::recursive_directory_iterator(RootPath, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(RootPath, ignored);
}

std::string TTreeFixture::Path(const std::string& relative) const { return RootPath + "/" + relative; }

void TTreeFixture::CreateFile(const std::string& relative, const std::string& contents)
{
    const fs::path path = Path(relative);
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

void TTreeFixture::CreateDirectory(const std::string& relative) { fs::create_directories(Path(relative)); }

void TTreeFixture::CreateSymlink(const std::string& relative, const std::string& target)
{
    const fs::path path = Path(relative);
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
    if (utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the time of " + relative);
}

std::string TTreeFixture::ReadFile(const std::string& relative) const
{
    std::ifstream in(Path(relative), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + relative);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool TTreeFixture::Exists(const std::string& relative) const
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(Path(relative), ignored));
}

int RunUnprivileged(const std::string& command)
{
    const std::string line = geteuid() == 0
                                 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c '" + command + "'"
                                 : "sh -c '" + command + "'";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
