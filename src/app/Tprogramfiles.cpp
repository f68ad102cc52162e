#include "app/Tprogramfiles.h"

#include <QCoreApplication>
#include <QFile>

#include "sys/Mysysutils.h"

std::string HelpFileName()
{
    return WithTrailingDelimiter(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()) +
           "Help/index.html";
}
