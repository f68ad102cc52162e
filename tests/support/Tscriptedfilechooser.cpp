#include "support/Tscriptedfilechooser.h"

#include <gtest/gtest.h>

TScriptedFileChooser::~TScriptedFileChooser()
{
    if (!Answers.empty())
        ADD_FAILURE() << Answers.size() << " answer(s) queued for choices that were never asked";
}

void TScriptedFileChooser::Choose(const std::string& name, std::int32_t filterIndex)
{
    Answers.push_back(TChoice{name, filterIndex});
}

void TScriptedFileChooser::Cancel() { Answers.push_back(std::nullopt); }

bool TScriptedFileChooser::ExecuteFileDialog(TFileDialog& dialog)
{
    FileDialogs.push_back(dialog);
    const std::optional<TChoice> choice = NextAnswer("file dialog \"" + dialog.Title + "\"");
    if (!choice)
        return false;
    dialog.FileName = choice->Name;
    if (choice->FilterIndex > 0)
        dialog.FilterIndex = choice->FilterIndex;
    return true;
}

bool TScriptedFileChooser::BrowseFolder(const std::string& prompt, std::string& directory)
{
    FolderRequests.push_back({prompt, directory});
    const std::optional<TChoice> choice = NextAnswer("folder browser \"" + prompt + "\"");
    if (!choice)
        return false;
    directory = choice->Name;
    return true;
}

std::optional<TScriptedFileChooser::TChoice> TScriptedFileChooser::NextAnswer(const std::string& request)
{
    if (Answers.empty()) {
        ADD_FAILURE() << "Unexpected " << request;
        return std::nullopt;
    }
    std::optional<TChoice> answer = Answers.front();
    Answers.pop_front();
    return answer;
}
