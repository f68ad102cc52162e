#pragma once
// What the desktop does for a window: the input focus on request, a place on the screen, and
// files dropped from a file manager, whose names reach the program as UTF-8 byte strings.

#include <string>
#include <vector>

class QMimeData;
class QWidget;

// Raises the window that holds the widget and asks for the input focus, so that a question
// asked after a drop is not hidden behind the file manager.
void BringToForeground(QWidget* widget);

// Places the window in the middle of its screen's free area; call before showing it.
void CentreOnScreen(QWidget* window);

// True when the data carries at least one local file (so a window may accept the drop).
bool CarriesLocalFiles(const QMimeData& data);

// The local files of a drop in drop order, each through LongPathName; links to other
// places than the local file system are skipped.
std::vector<std::string> DroppedFileNames(const QMimeData& data);
