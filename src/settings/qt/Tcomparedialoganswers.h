#pragma once
// The main window's answers to the compare dialog: its folder buttons, Import and Export are
// answered by the file dialogs' memory, and every compare file it read or wrote goes to the
// top of the file history and becomes the dialogs' starting directory.

#include <string>

#include "dialogs/Tcomparedialog.h"

class TFileHistory;
class TOpenDialogList;

class TCompareDialogAnswers {
public:
    TCompareDialogAnswers(TOpenDialogList& dialogs, TFileHistory& history) : Dialogs(dialogs), History(history) {}

    // Sets the dialog's OnSelectFile and OnFileAccess to the two answers below; this object
    // must outlive the dialog or be detached by clearing both events.
    void Attach(TCompareDialog& dialog);

    // Source and Destination: the folder browser from the proposal; Import: dialog 1 with the
    // proposal; Export: dialog 2 with it. Another kind gets no choice.
    void CompareDialogSelectFile(TCompareDialog* sender, std::string& name, bool& result, TSelectFileKind kind);
    void CompareDialogFileAccess(TCompareDialog* sender, const std::string& name, TFileAccessKind kind);

private:
    TOpenDialogList& Dialogs;
    TFileHistory& History;
};
