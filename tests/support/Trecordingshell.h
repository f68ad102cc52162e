#pragma once
// A shell for tests: records every request and answers as told; never reaches the desktop.

#include <string>
#include <vector>

#include "sys/Tshell.h"

class TRecordingShell : public TShell {
public:
    bool ShowProperties(const std::string& path) override
    {
        Requests.push_back("properties " + path);
        return true;
    }
    void ExploreFolder(const std::string& directory) override { Requests.push_back("explore " + directory); }
    bool OpenDocument(const std::string& path) override
    {
        Requests.push_back("open " + path);
        return DocumentsOpen;
    }
    bool BrowseForFolder(const std::string& prompt, std::string&) override
    {
        Requests.push_back("browse " + prompt);
        return false;
    }
    void SetClipboardText(const std::string& text) override { Clipboard = text; }

    std::vector<std::string> Requests;
    std::string Clipboard;
    bool DocumentsOpen = true;
};
