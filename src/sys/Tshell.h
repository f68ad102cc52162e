#pragma once
// The desktop shell's services to the windows: properties, a file manager on a folder,
// opening a document, choosing a folder, and the clipboard. Called on the user-interface
// thread only. The desktop program's implementation is TQtShell (sys/qt/Tqtshell.h).

#include <string>

class TShell {
public:
    virtual ~TShell() = default;

    // Shows the properties of an existing file in a window that is not modal; true when
    // a window was opened for it.
    virtual bool ShowProperties(const std::string& path) = 0;
    // Opens a file-manager window on the directory; the outcome is not reported.
    virtual void ExploreFolder(const std::string& directory) = 0;
    // Opens the document with the program the desktop associates with it; true when started.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Lets the user choose a folder, starting at the directory when it exists, with the
    // prompt as the title. True and the chosen folder in the directory, or false.
    virtual bool BrowseForFolder(const std::string& prompt, std::string& directory) = 0;
    // Replaces the clipboard's contents with the plain text.
    virtual void SetClipboardText(const std::string& text) = 0;
};
