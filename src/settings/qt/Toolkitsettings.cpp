#include "settings/qt/Toolkitsettings.h"

#include <QSettings>

namespace {
// Nothing can be created below the null device, whoever runs the program: not a folder, not a
// lock file, not the settings file. A missing folder elsewhere would just be created.
const QString NowhereFolder = QStringLiteral("/dev/null/vellumark-keeps-no-toolkit-settings");
}  // namespace

void KeepToolkitSettingsUnwritten()
{
    // Qt reads a native settings path where it has one set and falls back on the INI one.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, NowhereFolder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, NowhereFolder);
}
