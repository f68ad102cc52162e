#include "settings/qt/Tsettingsstorage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <exception>

#include "dialogs/Tmessenger.h"
#include "sys/Failurereason.h"
#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Qtfilenames.h"

namespace {
constexpr const char* SettingsFileTitle = "Settings.ini";

}  // namespace

std::string SettingsFileLocation(const std::string& executableDirectory, const std::string& configDirectory)
{
    const QFileInfo beside(QtFileName(executableDirectory));
    // An installed program (its data under ../share) is never a portable copy, even where
    // root could write beside it.
    const bool installed = DirectoryExists(WithTrailingDelimiter(executableDirectory) + "../share/vellumark");
    const bool portable = !executableDirectory.empty() && beside.isDir() && beside.isWritable() && !installed;
    return WithTrailingDelimiter(portable ? executableDirectory : configDirectory) + SettingsFileTitle;
}

std::string ChooseSettingsFileName()
{
    return SettingsFileLocation(LocalFileName(QCoreApplication::applicationDirPath()),
                                LocalFileName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
}

std::optional<TStoredSettings> TSettingsStorage::ReadSettings(const TSettingsState& current,
                                                              std::int32_t historyCapacity) const
{
    try {
        return ReadSettingsFile(SettingsFileName, current, historyCapacity);
    } catch (const std::exception& error) {
        ReportFailureReason("cannot read the settings", error.what());
        return std::nullopt;
    }
}

std::optional<TStoredSettings> TSettingsStorage::LoadSettings(const TSettingsState& current,
                                                              std::int32_t historyCapacity)
{
    while (FileExists(SettingsFileName)) {
        if (std::optional<TStoredSettings> stored = ReadSettings(current, historyCapacity))
            return stored;
        if (!Messenger.Confirm("The program cannot load the settings.\r\n\r\nRetry?"))
            break;
    }
    return std::nullopt;
}

bool TSettingsStorage::WriteSettings(const TSettingsState& state) const
{
    try {
        WriteSettingsFile(SettingsFileName, state);
        return true;
    } catch (const std::exception& error) {
        ReportFailureReason("cannot write the settings", error.what());
        return false;
    }
}

bool TSettingsStorage::SaveSettings(const TSettingsState& state)
{
    while (!WriteSettings(state))
        if (!Messenger.Confirm("The program cannot save the settings.\r\n\r\nRetry?"))
            return false;
    return true;
}
