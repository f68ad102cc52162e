#pragma once
// Modal windows and the activation. Every window but the main one is a modal dialog opened
// from the window in front, so that window is known without asking the window system; and
// when a dialog ends, the window in front is asked for the activation again, because a dialog
// that closes before the window manager has activated it leaves Qt with no active window (or
// a hidden one), and every shortcut of the main window dead until the user clicks into it.

class QDialog;
class QWidget;

// The window in front: the topmost modal window, else the visible main window; none when
// neither is up.
QWidget* FrontWindow();

// Runs the dialog modally and returns its result; afterwards the window then in front is
// activated again, and its focus returns to the widget that last had it there.
int RunModal(QDialog& dialog);
