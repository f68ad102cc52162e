#pragma once
// The size the main window opens with where no saved placement applies: its design size,
// grown with the font and until every column caption fits, within the screen it is on.

#include <QSize>

class QWidget;

// widthForCaptions: the least width of the window at which the list's columns show their captions.
QSize MainFormFirstSize(const QWidget& form, int widthForCaptions);
