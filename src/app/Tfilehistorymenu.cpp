#include "app/Tfilehistorymenu.h"

#include "dialogs/Tmessenger.h"
#include "settings/Tfilehistory.h"
#include "sys/Tfilesystem.h"

TFileHistoryMenu::TFileHistoryMenu(TFileHistory& history, TMessenger& messenger, std::vector<QAction*> items)
    : History(history), Messenger(messenger), Items(std::move(items))
{}

void TFileHistoryMenu::Show()
{
    const auto items = static_cast<std::int32_t>(Items.size());
    for (std::int32_t i = 0; i < History.Capacity() && i < items; ++i) {
        QAction* item = Items[static_cast<std::size_t>(i)];
        const bool shown = i < History.Count();
        item->setText(shown ? QString::fromStdString(FileHistoryCaption(i, History.Get(i))) : QString());
        item->setVisible(shown);
    }
}

std::optional<std::string> TFileHistoryMenu::Chosen(std::int32_t place)
{
    if (place >= History.Count())
        return std::nullopt;
    std::string name = History.Get(place);
    if (FileExists(name))
        return name;
    if (Messenger.AskAfterFailure("The program cannot find the file: " + name +
                                  "\r\n\r\nDelete the item from the history?"))
        History.Delete(place);
    return std::nullopt;
}

void TFileHistoryMenu::Clear()
{
    if (Messenger.Confirm("Clear the history?"))
        History.Clear();
}
