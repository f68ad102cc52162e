#pragma once
// A file chooser for tests: answers each file dialog and folder browser from a queue and
// records what was asked. A request that finds no answer waiting fails the test (and counts
// as cancelled); answers left over when the chooser goes fail it too.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sys/Tfilechooser.h"

struct TFolderRequest {
    std::string Prompt;
    std::string Directory;
};

class TScriptedFileChooser : public TFileChooser {
public:
    ~TScriptedFileChooser() override;

    // The user chooses this file or folder; a filterIndex above 0 is the filter picked.
    void Choose(const std::string& name, std::int32_t filterIndex = 0);
    void Cancel();

    // Each file dialog as it was handed over, before the answer.
    std::vector<TFileDialog> FileDialogs;
    std::vector<TFolderRequest> FolderRequests;

    bool ExecuteFileDialog(TFileDialog& dialog) override;
    bool BrowseFolder(const std::string& prompt, std::string& directory) override;

private:
    struct TChoice {
        std::string Name;
        std::int32_t FilterIndex;
    };
    std::optional<TChoice> NextAnswer(const std::string& request);

    std::deque<std::optional<TChoice>> Answers;
};
