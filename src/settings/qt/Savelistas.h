#pragma once
// File > Save List As...: asks for a file name through the file dialogs' memory and writes
// the list there with its header line, reporting a failure.

#include "settings/Listexport.h"

class TMessenger;
class TOpenDialogList;

// Proposes "Untitled.csv" in the Save List As dialog (number 0). True when the file was
// written; false when cancelled or after the failure message.
bool SaveListAs(const TReportList& list, TOpenDialogList& dialogs, TMessenger& messenger);
