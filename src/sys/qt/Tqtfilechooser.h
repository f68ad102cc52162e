#pragma once
// The desktop program's file chooser: QFileDialog for files, the shell's folder browser for
// folders, both in front of the active window.

#include <QStringList>

#include "sys/Tfilechooser.h"

class TShell;

// The name filters of a "|" filter text in Qt's form "Description (*.a *.b)"; a description
// that already ends with its patterns in parentheses is taken as it is.
QStringList QtNameFilters(const std::string& filter);

class TQtFileChooser : public TFileChooser {
public:
    explicit TQtFileChooser(TShell& shell) : Shell(shell) {}

    bool ExecuteFileDialog(TFileDialog& dialog) override;
    bool BrowseFolder(const std::string& prompt, std::string& directory) override;

private:
    TShell& Shell;
};
