#include "settings/qt/Tcomparedialoganswers.h"

#include "settings/Tfilehistory.h"
#include "settings/qt/Topendialoglist.h"
#include "sys/Mysysutils.h"

void TCompareDialogAnswers::Attach(TCompareDialog& dialog)
{
    dialog.OnSelectFile = [this](TCompareDialog* sender, std::string& name, bool& result, TSelectFileKind kind) {
        CompareDialogSelectFile(sender, name, result, kind);
    };
    dialog.OnFileAccess = [this](TCompareDialog* sender, const std::string& name, TFileAccessKind kind) {
        CompareDialogFileAccess(sender, name, kind);
    };
}

void TCompareDialogAnswers::CompareDialogSelectFile(TCompareDialog*, std::string& name, bool& result,
                                                    TSelectFileKind kind)
{
    switch (kind) {
    case skSource:
    case skDestination:
        result = Dialogs.BrowseFolder("Select a directory.", name);
        break;
    case skImport:
        result = Dialogs.ExecuteFileDialog(ImportDialogNumber, name);
        break;
    case skExport:
        result = Dialogs.ExecuteFileDialog(ExportDialogNumber, name);
        break;
    default:
        result = false;
        break;
    }
}

void TCompareDialogAnswers::CompareDialogFileAccess(TCompareDialog*, const std::string& name, TFileAccessKind)
{
    History.Add(name);
    Dialogs.InitialDir = DirectoryPart(name);
}
