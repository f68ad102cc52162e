#include "app/Tapplicationforms.h"

#include "app/Tmainform.h"
#include "dialogs/Tprogressdialog.h"

TProgressDialog* ProgressDialog = nullptr;
TCompareDialog* CompareDialog = nullptr;

void CreateApplicationForms(const TMainFormServices& services, std::vector<std::string> arguments)
{
    MainForm = new TMainForm(services, std::move(arguments));
    ProgressDialog = new TProgressDialog(MainForm);
}

void DestroyApplicationForms()
{
    // The progress dialog is the main window's child and goes with it.
    ProgressDialog = nullptr;
    delete MainForm;
    MainForm = nullptr;
}
