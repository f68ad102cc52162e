#include "app/Tapplicationforms.h"

#include "app/Tmainform.h"
#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tprogressdialog.h"
#include "operations/qt/Toperationsdialog.h"

TProgressDialog* ProgressDialog = nullptr;
TOperationsDialog* OperationsDialog = nullptr;
TFindItemDialog* FindItemDialog = nullptr;
TCompareDialog* CompareDialog = nullptr;

void CreateApplicationForms(const TMainFormServices& services, std::vector<std::string> arguments)
{
    MainForm = new TMainForm(services, std::move(arguments));
    ProgressDialog = new TProgressDialog(MainForm);
    OperationsDialog = new TOperationsDialog(services.Messenger, services.Shell, services.MainThread, MainForm);
    FindItemDialog = new TFindItemDialog(MainForm);
}

void DestroyApplicationForms()
{
    // The dialogs are the main window's children and go with it.
    ProgressDialog = nullptr;
    OperationsDialog = nullptr;
    FindItemDialog = nullptr;
    delete MainForm;
    MainForm = nullptr;
}
