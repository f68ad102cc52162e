#include "settings/qt/Topendialoglist.h"

#include <stdexcept>

#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tfilesystem.h"

namespace {
constexpr const char* CompareFileFilter = "Vellumark Compare (*.vmc)|*.vmc|All files (*)|*";

TFileDialog FileDialog(TFileDialogKind kind, const char* title, const char* filter, const char* defaultExt)
{
    TFileDialog dialog;
    dialog.Kind = kind;
    dialog.Title = title;
    dialog.Filter = filter;
    dialog.DefaultExt = defaultExt;
    return dialog;
}
}  // namespace

TFileDialog SaveListAsDialog()
{
    return FileDialog(fdSave, "Save List As", "Comma Separated Values (*.csv)|*.csv|All files (*)|*", "csv");
}

TFileDialog ImportDialog() { return FileDialog(fdOpen, "Import", CompareFileFilter, ""); }

TFileDialog ExportDialog() { return FileDialog(fdSave, "Export", CompareFileFilter, "vmc"); }

TFileDialog& TOpenDialogList::Item(std::int32_t number) const
{
    if (number < 0 || number >= Count())
        throw std::out_of_range("There is no file dialog number " + std::to_string(number) + ".");
    return *Items[static_cast<std::size_t>(number)];
}

void TOpenDialogList::SetItem(std::int32_t number, TFileDialog& dialog)
{
    Item(number);
    Items[static_cast<std::size_t>(number)] = &dialog;
}

std::vector<std::int32_t> TOpenDialogList::FilterIndexes() const
{
    std::vector<std::int32_t> indexes;
    for (const TFileDialog* dialog : Items)
        indexes.push_back(dialog->FilterIndex);
    return indexes;
}

void TOpenDialogList::SetFilterIndexes(const std::vector<std::int32_t>& indexes)
{
    for (std::size_t i = 0; i < indexes.size() && i < Items.size(); ++i)
        Items[i]->FilterIndex = indexes[i];
}

bool TOpenDialogList::ExecuteFileDialog(std::int32_t number, std::string& fileName)
{
    TFileDialog& dialog = Item(number);
    const bool absolute = !fileName.empty() && PathSyntax::IsSeparator(fileName.front());
    dialog.InitialDir = absolute ? DirectoryPart(fileName) : InitialDir;
    dialog.FileName = absolute ? FileNamePart(fileName) : fileName;
    const bool chosen = Chooser.ExecuteFileDialog(dialog);
    if (chosen) {
        fileName = dialog.FileName;
        InitialDir = DirectoryPart(fileName);
    }
    // The next use starts clean.
    dialog.FileName.clear();
    return chosen;
}

bool TOpenDialogList::BrowseFolder(const std::string& prompt, std::string& directory)
{
    std::string chosen = DirectoryExists(directory) ? directory : std::string();
    if (!Chooser.BrowseFolder(prompt, chosen))
        return false;
    directory = chosen;
    InitialDir = DirectoryPart(chosen);
    return true;
}
