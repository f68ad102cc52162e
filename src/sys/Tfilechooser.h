#pragma once
// Every file and folder choice of the program goes through one TFileChooser, which the main
// window is given: the desktop program's is TQtFileChooser, the tests' a scripted one.

#include <cstdint>
#include <string>

enum TFileDialogKind : std::int32_t {
    fdOpen = 0,  // the path and the file must exist
    fdSave = 1,  // asks before overwriting an existing file
};

// One of the program's file dialogs: how it looks, where it starts, and what it proposes.
// Neither kind has a read-only box; both are resizable.
struct TFileDialog {
    TFileDialogKind Kind = fdOpen;
    std::string Title;
    // Pairs of a description and a pattern, each part separated by "|":
    // "Vellumark Compare (*.vmc)|*.vmc|All files (*)|*". A pattern may list several, by ";".
    std::string Filter;
    // Added to a typed name without an extension by a save dialog; without the dot.
    std::string DefaultExt;
    // The chosen pair, counted from 1.
    std::int32_t FilterIndex = 1;
    // Where the dialog starts; empty for the platform's choice.
    std::string InitialDir;
    // The proposed name on entry, the chosen full file name after a choice.
    std::string FileName;
};

class TFileChooser {
public:
    virtual ~TFileChooser() = default;

    // Runs the dialog modally. True when the user chose a file: its full name is then in
    // FileName and FilterIndex names the filter in use. False when cancelled; the dialog's
    // fields are then unchanged.
    virtual bool ExecuteFileDialog(TFileDialog& dialog) = 0;
    // Lets the user choose a folder, starting at the directory when it exists, with the
    // prompt as the title. True and the chosen folder in the directory, or false.
    virtual bool BrowseFolder(const std::string& prompt, std::string& directory) = 0;
};
