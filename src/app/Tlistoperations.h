#pragma once
// The operations dialog run on rows of the result list: the rows' items, in the order the list
// shows them, below the list's roots.

#include <vector>

#include "app/Tlistselection.h"
#include "operations/Removalguards.h"
#include "sys/Tfiletransfer.h"

class TOperationsDialog;
class TResultList;

// Runs the dialog on the rows with the switches of the last run, and keeps the switches the
// user left for the next one. Whatever the operations changed on disk, the list stays as it
// was; a new comparison shows it.
void PerformOperationsOnRows(TOperationsDialog& dialog, const TResultList& list, const std::vector<TRowRange>& rows,
                             const TDestinationSide* destination, TTransferOptions& switches);
