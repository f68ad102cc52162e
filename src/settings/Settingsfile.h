#pragma once
// Settings.ini: the view options, the main window's state, bounds and list column widths, the
// file history, the file dialogs' memory and the operations' switches, as plain values. The window gathers a
// TSettingsState for writing and applies the TStoredSettings a read gives.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/Tviewoptions.h"
#include "settings/Windowplacement.h"
#include "sys/Tfiletransfer.h"

enum TWindowState : std::int32_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What the main window has now; also the fallback of every value a read does not find.
struct TSettingsState {
    TViewOptions ViewOptions;
    TWindowState WindowState = wsNormal;
    TWindowRect Bounds;
    // In column order.
    std::vector<std::int32_t> ListColumnWidths;
    // Most recent first.
    std::vector<std::string> FileHistory;
    std::string InitialDir;
    // By dialog number, counted from 1.
    std::vector<std::int32_t> FilterIndexes;
    // The switches of the operations dialog.
    TTransferOptions OperationsSwitches;
};

// What a read found, to be applied in this order.
struct TStoredSettings {
    TViewOptions ViewOptions;
    // Only when the stored LastPosition is on.
    std::optional<TWindowState> WindowState;
    // Only when, in addition, the stored state is normal; the widths then set as one batch.
    std::optional<TWindowRect> Bounds;
    std::optional<std::vector<std::int32_t>> ListColumnWidths;
    // The entries as stored, for TFileHistory::Assign.
    std::vector<std::string> FileHistory;
    std::string InitialDir;
    // One per dialog of the current state.
    std::vector<std::int32_t> FilterIndexes;
    TTransferOptions OperationsSwitches;
};

// Reads the file: view options falling back to their defaults, bounds and column widths to
// the current ones, the history up to the capacity and up to the first missing entry, filter
// indexes to 1. A missing file reads as all those fallbacks; one that cannot be read raises
// std::runtime_error.
TStoredSettings ReadSettingsFile(const std::string& fileName, const TSettingsState& current,
                                 std::int32_t historyCapacity);

// The whole text of the file for the state: every section and key in their fixed order,
// and nothing else.
std::string SettingsText(const TSettingsState& state);

// Replaces the file with SettingsText, creating its directory when missing; a failure leaves
// the old file as it was and raises std::runtime_error.
void WriteSettingsFile(const std::string& fileName, const TSettingsState& state);
