#pragma once
// What a command-line program needs to know of its terminal.

// True when standard error is a terminal (a progress line may then update in place).
bool StandardErrorIsTerminal();
