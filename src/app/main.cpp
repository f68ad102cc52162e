// The desktop program: the main window and the dialogs that live for the whole run.

#include <string>
#include <vector>

#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tmainform.h"
#include "dialogs/Tqtmessenger.h"
#include "settings/qt/Tsettingsstorage.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtfilechooser.h"
#include "sys/qt/Tqtmainthreadcaller.h"
#include "sys/qt/Tqtshell.h"

int main(int argc, char** argv)
{
    // The names exactly as given: bytes, whatever the locale makes of them.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    TApplication application(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vellumark"));
    // Ties the windows to the installed desktop entry, for the dock's icon and name.
    TApplication::setDesktopFileName(QStringLiteral("org.vellumark.Vellumark"));
    TApplication::setWindowIcon(ApplicationIcon());
    TQtMessenger messenger;
    TQtShell shell;
    TQtFileChooser fileChooser(shell);
    int status = 0;
    {
        TQtMainThreadCaller mainThread;
        try {
            CreateApplicationForms(
                {messenger, fileChooser, shell, mainThread, TFileFactsSource::System(), ChooseSettingsFileName()},
                arguments);
            MainForm->show();
            application.SetMessenger(&messenger);
            status = application.exec();
        } catch (...) {
            ShowExceptionBox(messenger, std::current_exception());
        }
        application.SetMessenger(nullptr);
        DestroyApplicationForms();
    }
    return status;
}
