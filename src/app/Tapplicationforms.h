#pragma once
// The windows that live for the whole run, each reachable through a global of its name.

#include <string>
#include <vector>

class TCompareDialog;
class TMainForm;
class TProgressDialog;
struct TMainFormServices;

extern TProgressDialog* ProgressDialog;
// Owned by the main window; none outside its life.
extern TCompareDialog* CompareDialog;

// Creates the main window, then the progress dialog.
void CreateApplicationForms(const TMainFormServices& services, std::vector<std::string> arguments);
void DestroyApplicationForms();
