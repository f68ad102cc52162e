#include "app/Tprogramfiles.h"

#include <QCoreApplication>
#include <QFile>

#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Qtfilenames.h"

namespace {
constexpr const char* HelpDocument = "Help/index.html";
constexpr const char* InstalledDataFolder = "share/vellumark/";
}  // namespace

std::string HelpFileLocation(const std::string& executableDirectory)
{
    std::string beside = WithTrailingDelimiter(executableDirectory) + HelpDocument;
    if (FileExists(beside))
        return beside;
    const std::string prefix = WithTrailingDelimiter(DirectoryPart(executableDirectory));
    const std::string installed = prefix + InstalledDataFolder + HelpDocument;
    return FileExists(installed) ? installed : beside;
}

std::string HelpFileName()
{
    // The executable's real directory: a link to it elsewhere does not move its files.
    return HelpFileLocation(LocalFileName(QCoreApplication::applicationDirPath()));
}
