#pragma once
// A hidden check for installed copies: when VELLUMARK_START_CHECK is set, the program prints
// the help document it would open on standard output once its main window is up, and quits at
// once, without closing the window (so nothing is asked and nothing is saved): status 0 when
// that document exists, 1 when it does not. scripts/check-install runs it offscreen.

void StartCheckIfAsked();
