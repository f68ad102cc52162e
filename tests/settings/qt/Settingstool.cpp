// settings_tool: what the permission tests must run as another user.
//   settings_tool location EXEDIR CONFIGDIR   prints where Settings.ini would live
//   settings_tool save-settings FILE RETRIES  saves default settings, answering OK to the
//                                             first RETRIES questions and Cancel after them
//   settings_tool save-list FILE              saves a two-row list as if FILE was chosen
// Every message shown is printed, one per line, before the outcome ("saved" or "not saved").

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialogs/Tmessenger.h"
#include "settings/qt/Savelistas.h"
#include "settings/qt/Topendialoglist.h"
#include "settings/qt/Tsettingsstorage.h"
#include "sys/Tfilechooser.h"

namespace {
class TPrintingMessenger : public TMessenger {
public:
    explicit TPrintingMessenger(int okAnswers) : OkAnswers(okAnswers) {}

    bool ShowMessage(const std::string&, const std::string& text, TMessageKind, TMessageButtons buttons) override
    {
        std::printf("%s\n", text.c_str());
        return buttons == mbOK || OkAnswers-- > 0;
    }
    std::int32_t Execute(TMessageDialog& dialog) override
    {
        std::printf("%s\n", dialog.Text.c_str());
        return dialog.CancelButton;
    }

private:
    int OkAnswers;
};

class TFixedChooser : public TFileChooser {
public:
    explicit TFixedChooser(std::string fileName) : FileName(std::move(fileName)) {}

    bool ExecuteFileDialog(TFileDialog& dialog) override
    {
        dialog.FileName = FileName;
        return true;
    }
    bool BrowseFolder(const std::string&, std::string&) override { return false; }

private:
    std::string FileName;
};

class TTwoRows : public TReportList {
public:
    std::vector<std::string> ColumnCaptions() const override { return {"Name", "Result"}; }
    std::size_t RowCount() const override { return 2; }
    std::vector<std::string> RowTexts(std::size_t row) const override
    {
        return {"file" + std::to_string(row), "Created"};
    }
};

int Outcome(bool saved)
{
    std::printf("%s\n", saved ? "saved" : "not saved");
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "location" && argc == 4) {
        std::printf("%s\n", SettingsFileLocation(argv[2], argv[3]).c_str());
        return 0;
    }
    if (command == "save-settings" && argc == 4) {
        TPrintingMessenger messenger(std::atoi(argv[3]));
        TSettingsStorage storage(argv[2], messenger);
        return Outcome(storage.SaveSettings(TSettingsState()));
    }
    if (command == "save-list" && argc == 3) {
        TPrintingMessenger messenger(0);
        TFixedChooser chooser(argv[2]);
        TOpenDialogList dialogs(chooser);
        TFileDialog saveDialog = SaveListAsDialog();
        dialogs.Add(saveDialog);
        return Outcome(SaveListAs(TTwoRows(), dialogs, messenger));
    }
    std::fprintf(stderr,
                 "usage: settings_tool location EXEDIR CONFIGDIR | save-settings FILE RETRIES | save-list FILE\n");
    return 2;
}
