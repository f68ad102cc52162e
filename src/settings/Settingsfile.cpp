#include "settings/Settingsfile.h"

#include <stdexcept>

#include "ini/Tmeminifile.h"
#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/Wholefile.h"

namespace {
constexpr const char* ViewOptionsSection = "ViewOptions";
constexpr const char* ToolBarKey = "ToolBar";
constexpr const char* StatusBarKey = "StatusBar";
constexpr const char* LastPositionKey = "LastPosition";
constexpr const char* TopMostKey = "TopMost";

constexpr const char* MainFormSection = "MainForm";
constexpr const char* WindowStateKey = "WindowState";
constexpr const char* LeftKey = "Left";
constexpr const char* TopKey = "Top";
constexpr const char* RightKey = "Right";
constexpr const char* BottomKey = "Bottom";
constexpr const char* ListColumnWidthKey = "ListColumnWidth";

constexpr const char* FileHistorySection = "FileHistory";
constexpr const char* ItemKey = "Item";

constexpr const char* OpenDialogsSection = "OpenDialogs";
constexpr const char* InitialDirKey = "InitialDir";
constexpr const char* FilterIndexKey = "FilterIndex";

constexpr const char* OperationsSection = "Operations";
constexpr const char* VerifyKey = "Verify";
constexpr const char* TrashKey = "Trash";

std::string NumberedKey(const char* name, std::size_t number) { return name + std::to_string(number); }

// A state the program never writes counts as normal.
TWindowState StoredWindowState(std::int32_t value)
{
    return value == wsMinimized || value == wsMaximized ? static_cast<TWindowState>(value) : wsNormal;
}

// A value the document cannot hold (a path with a line break) raises; better one value lost
// than a settings file that can never be written again.
bool TryWriteString(TMemIniFile& document, const char* section, const std::string& name, const std::string& value)
{
    try {
        document.WriteString(section, name, value);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}
}  // namespace

TStoredSettings ReadSettingsFile(const std::string& fileName, const TSettingsState& current,
                                 std::int32_t historyCapacity)
{
    const TMemIniFile document(fileName);
    TStoredSettings stored;

    const TViewOptions defaults;
    stored.ViewOptions.ToolBar = document.ReadBool(ViewOptionsSection, ToolBarKey, defaults.ToolBar);
    stored.ViewOptions.StatusBar = document.ReadBool(ViewOptionsSection, StatusBarKey, defaults.StatusBar);
    stored.ViewOptions.LastPosition = document.ReadBool(ViewOptionsSection, LastPositionKey, defaults.LastPosition);
    stored.ViewOptions.TopMost = document.ReadBool(ViewOptionsSection, TopMostKey, defaults.TopMost);

    if (stored.ViewOptions.LastPosition) {
        stored.WindowState = StoredWindowState(document.ReadInteger(MainFormSection, WindowStateKey, wsNormal));
        if (stored.WindowState == wsNormal) {
            const TWindowRect& bounds = current.Bounds;
            stored.Bounds = TWindowRect{document.ReadInteger(MainFormSection, LeftKey, bounds.Left),
                                        document.ReadInteger(MainFormSection, TopKey, bounds.Top),
                                        document.ReadInteger(MainFormSection, RightKey, bounds.Right),
                                        document.ReadInteger(MainFormSection, BottomKey, bounds.Bottom)};
            std::vector<std::int32_t> widths;
            for (std::size_t i = 0; i < current.ListColumnWidths.size(); ++i)
                widths.push_back(document.ReadInteger(MainFormSection, NumberedKey(ListColumnWidthKey, i),
                                                      current.ListColumnWidths[i]));
            stored.ListColumnWidths = std::move(widths);
        }
    }

    for (std::int32_t i = 0; i < historyCapacity; ++i) {
        const std::string key = NumberedKey(ItemKey, static_cast<std::size_t>(i));
        if (!document.ValueExists(FileHistorySection, key))
            break;
        stored.FileHistory.push_back(document.ReadString(FileHistorySection, key, ""));
    }

    stored.InitialDir = document.ReadString(OpenDialogsSection, InitialDirKey, "");
    for (std::size_t i = 0; i < current.FilterIndexes.size(); ++i)
        stored.FilterIndexes.push_back(document.ReadInteger(OpenDialogsSection, NumberedKey(FilterIndexKey, i), 1));

    const TTransferOptions off;
    stored.OperationsSwitches.Verify = document.ReadBool(OperationsSection, VerifyKey, off.Verify);
    stored.OperationsSwitches.Trash = document.ReadBool(OperationsSection, TrashKey, off.Trash);
    return stored;
}

std::string SettingsText(const TSettingsState& state)
{
    TMemIniFile document;
    document.WriteBool(ViewOptionsSection, ToolBarKey, state.ViewOptions.ToolBar);
    document.WriteBool(ViewOptionsSection, StatusBarKey, state.ViewOptions.StatusBar);
    document.WriteBool(ViewOptionsSection, LastPositionKey, state.ViewOptions.LastPosition);
    document.WriteBool(ViewOptionsSection, TopMostKey, state.ViewOptions.TopMost);

    document.WriteInteger(MainFormSection, WindowStateKey, state.WindowState);
    document.WriteInteger(MainFormSection, LeftKey, state.Bounds.Left);
    document.WriteInteger(MainFormSection, TopKey, state.Bounds.Top);
    document.WriteInteger(MainFormSection, RightKey, state.Bounds.Right);
    document.WriteInteger(MainFormSection, BottomKey, state.Bounds.Bottom);
    for (std::size_t i = 0; i < state.ListColumnWidths.size(); ++i)
        document.WriteInteger(MainFormSection, NumberedKey(ListColumnWidthKey, i), state.ListColumnWidths[i]);

    std::size_t written = 0;
    for (const std::string& entry : state.FileHistory)
        if (TryWriteString(document, FileHistorySection, NumberedKey(ItemKey, written), entry))
            ++written;

    if (!TryWriteString(document, OpenDialogsSection, InitialDirKey, state.InitialDir))
        document.WriteString(OpenDialogsSection, InitialDirKey, "");
    for (std::size_t i = 0; i < state.FilterIndexes.size(); ++i)
        document.WriteInteger(OpenDialogsSection, NumberedKey(FilterIndexKey, i), state.FilterIndexes[i]);

    document.WriteBool(OperationsSection, VerifyKey, state.OperationsSwitches.Verify);
    document.WriteBool(OperationsSection, TrashKey, state.OperationsSwitches.Trash);
    return document.Text();
}

void WriteSettingsFile(const std::string& fileName, const TSettingsState& state)
{
    const std::string text = SettingsText(state);
    const std::string directory = DirectoryPart(fileName);
    if (!directory.empty() && !DirectoryExists(directory) && !MakeDirectoryChain(directory, true))
        throw std::runtime_error("Cannot create the directory " + directory);
    ReplaceWholeFile(fileName, text);
}
