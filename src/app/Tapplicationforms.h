#pragma once
// The windows that live for the whole run, each reachable through a global of its name.

#include <string>
#include <vector>

class TCompareDialog;
class TFindItemDialog;
class TMainForm;
class TOperationsDialog;
class TProgressDialog;
struct TMainFormServices;

extern TProgressDialog* ProgressDialog;
extern TOperationsDialog* OperationsDialog;
extern TFindItemDialog* FindItemDialog;
// Owned by the main window; none outside its life.
extern TCompareDialog* CompareDialog;

// Creates the main window, then the progress, operations and find dialogs.
void CreateApplicationForms(const TMainFormServices& services, std::vector<std::string> arguments);
void DestroyApplicationForms();
