#include "settings/qt/Savelistas.h"

#include <exception>
#include <string>

#include "dialogs/Tmessenger.h"
#include "settings/qt/Topendialoglist.h"
#include "sys/Failurereason.h"

bool SaveListAs(const TReportList& list, TOpenDialogList& dialogs, TMessenger& messenger)
{
    std::string fileName = "Untitled.csv";
    if (!dialogs.ExecuteFileDialog(SaveListDialogNumber, fileName))
        return false;
    try {
        SaveListViewToFile(fileName, list, true);
        return true;
    } catch (const std::exception& error) {
        ReportFailureReason("cannot save the list", error.what());
        messenger.ShowError("The program cannot save data to the file: " + fileName);
        return false;
    }
}
