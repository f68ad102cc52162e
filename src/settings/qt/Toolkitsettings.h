#pragma once
// Qt's own dialogs keep their state between runs in a settings file of their own: a file
// dialog writes its last folder, history, view and column widths to QtProject.conf in the
// user's configuration folder when it closes. The program keeps its state in Settings.ini
// alone, so that file must never be written.

// Sends every per-user settings file that Qt itself would write to a folder that cannot
// exist, so such writes fail silently and leave nothing behind. Call it before the first
// dialog is made.
void KeepToolkitSettingsUnwritten();
