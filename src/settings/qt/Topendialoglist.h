#pragma once
// The memory of the program's file dialogs: one directory shared by all, where a dialog starts
// when the caller names none, following every file or folder chosen; each dialog keeps its
// own filter choice. All file and folder choosing goes through here and the file chooser.

#include <cstdint>
#include <string>
#include <vector>

#include "sys/Tfilechooser.h"

// The dialogs' numbers, under which their filter indexes are stored.
enum TOpenDialogNumber : std::int32_t { SaveListDialogNumber = 0, ImportDialogNumber = 1, ExportDialogNumber = 2 };

// The main window's three file dialogs, as they are before their first use.
TFileDialog SaveListAsDialog();
TFileDialog ImportDialog();
TFileDialog ExportDialog();

class TOpenDialogList {
public:
    explicit TOpenDialogList(TFileChooser& chooser) : Chooser(chooser) {}
    TOpenDialogList(const TOpenDialogList&) = delete;
    TOpenDialogList& operator=(const TOpenDialogList&) = delete;

    // The dialogs are the caller's and must outlive their place here (or be removed by Clear).
    void Add(TFileDialog& dialog) { Items.push_back(&dialog); }
    std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
    // Throws std::out_of_range for a number that holds no dialog.
    TFileDialog& Item(std::int32_t number) const;
    void SetItem(std::int32_t number, TFileDialog& dialog);
    void Clear() { Items.clear(); }

    // The filter index of every dialog, by number, and back.
    std::vector<std::int32_t> FilterIndexes() const;
    void SetFilterIndexes(const std::vector<std::int32_t>& indexes);

    // Runs dialog number n. An absolute name starts it in the name's directory proposing the
    // name's file name part; any other name is proposed whole in InitialDir. True when the
    // user chose a file, whose full name is then in the name and whose directory becomes
    // InitialDir. A cancelled dialog changes nothing.
    bool ExecuteFileDialog(std::int32_t number, std::string& fileName);
    // The folder browser, starting at the directory when it exists. True when the user chose
    // a folder, which is then in the directory; its parent becomes InitialDir.
    bool BrowseFolder(const std::string& prompt, std::string& directory);

    std::string InitialDir;

private:
    TFileChooser& Chooser;
    std::vector<TFileDialog*> Items;
};
