#include "app/Startcheck.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "app/Tprogramfiles.h"
#include "sys/Tfilesystem.h"

void StartCheckIfAsked()
{
    if (qEnvironmentVariableIsEmpty("VELLUMARK_START_CHECK"))
        return;
    // Queued behind the main window's own start, so that it runs once the loop is going.
    QTimer::singleShot(0, qApp, [] {
        const std::string help = HelpFileName();
        std::cout << "Help document: " << help << std::endl;
        QCoreApplication::exit(FileExists(help) ? 0 : 1);
    });
}
