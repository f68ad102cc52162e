#pragma once
// Driving modal windows in tests without a user: the test schedules what happens once the
// window's loop runs, then starts the window.

#include <functional>

class QWidget;

// Once a modal window is up, runs act on it; if act leaves that window open it fails the
// test and hides the window, so that a broken test ends instead of hanging.
void WhenModal(std::function<void(QWidget* modal)> act, bool mayStayOpen = false);
