#pragma once
// The shell services on a freedesktop desktop: the file manager's D-Bus interface
// (org.freedesktop.FileManager1) where one answers, Qt's desktop services otherwise, and the
// program's own properties window where no file manager shows properties.

#include "sys/Tshell.h"

class TQtShell : public TShell {
public:
    bool ShowProperties(const std::string& path) override;
    void ExploreFolder(const std::string& directory) override;
    bool OpenDocument(const std::string& path) override;
    bool BrowseForFolder(const std::string& prompt, std::string& directory) override;
    void SetClipboardText(const std::string& text) override;
};
