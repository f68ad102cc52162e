// vellumark-screenshot-tour FOLDER SOURCE DESTINATION: the desktop program, driven through a
// tour of its windows by itself, with a picture of each saved into FOLDER (scripts/screenshot).

#include <QStringList>
#include <cstdio>
#include <string>

#include "Tscreenshottour.h"
#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tmainform.h"
#include "dialogs/Tqtmessenger.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtfilechooser.h"
#include "sys/qt/Tqtmainthreadcaller.h"
#include "sys/qt/Tqtshell.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: vellumark-screenshot-tour FOLDER SOURCE DESTINATION\n", stderr);
        return 2;
    }
    TApplication application(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vellumark"));
    TApplication::setDesktopFileName(QStringLiteral("org.vellumark.Vellumark"));
    TApplication::setWindowIcon(ApplicationIcon());
    const QStringList arguments = TApplication::arguments();
    TQtMessenger messenger;
    TQtShell shell;
    TQtFileChooser fileChooser(shell);
    int status = 0;
    {
        TQtMainThreadCaller mainThread;
        CreateApplicationForms({messenger, fileChooser, shell, mainThread, TFileFactsSource::System(),
                                TScreenshotTour::SettingsFileName(arguments[1])},
                               {});
        MainForm->show();
        TScreenshotTour::Start(arguments[1], arguments[2], arguments[3]);
        application.SetMessenger(&messenger);
        status = application.exec();
        application.SetMessenger(nullptr);
        DestroyApplicationForms();
    }
    return status;
}
