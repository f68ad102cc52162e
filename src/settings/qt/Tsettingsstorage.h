#pragma once
// Loading and saving Settings.ini for the main window, asking the user to retry while a read
// or a write fails; and where the file lives.

#include <cstdint>
#include <optional>
#include <string>

#include "settings/Settingsfile.h"

class TMessenger;

// Beside the executable when its directory is writable (a portable copy, a build tree) and
// no installed data lies beside it (../share/vellumark), otherwise in the user's
// configuration directory.
std::string SettingsFileLocation(const std::string& executableDirectory, const std::string& configDirectory);
// SettingsFileLocation for this program: the application's directory and its configuration
// location (such as ~/.config/Vellumark). Needs the application object, named.
std::string ChooseSettingsFileName();

class TSettingsStorage {
public:
    TSettingsStorage(std::string fileName, TMessenger& messenger)
        : SettingsFileName(std::move(fileName)), Messenger(messenger)
    {}

    const std::string& FileName() const { return SettingsFileName; }

    // One attempt at reading the whole file; nothing when it failed.
    std::optional<TStoredSettings> ReadSettings(const TSettingsState& current, std::int32_t historyCapacity) const;
    // Nothing, and no question, when there is no file. A failed read asks whether to retry
    // and tries again while the answer is OK; nothing after Cancel.
    std::optional<TStoredSettings> LoadSettings(const TSettingsState& current, std::int32_t historyCapacity);

    // One attempt at writing the whole file; true on success.
    bool WriteSettings(const TSettingsState& state) const;
    // A failed write asks whether to retry and tries again while the answer is OK; true when
    // the file was written.
    bool SaveSettings(const TSettingsState& state);

private:
    std::string SettingsFileName;
    TMessenger& Messenger;
};
