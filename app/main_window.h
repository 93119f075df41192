// The main window (dialog 379): its procedure turns every message into a call of the
// commands and views below it, remembers the window's placement, and receives a second
// start's command line. Only main.cpp starts it.
#pragma once

#include <windows.h>

struct Document;

// Runs the main dialog modally on the program's one document; returns when it closes.
// command_line: the process's command line ("/EXPORTWINDOW" in it opens the passphrase
// list 500 ms after the window is shown).
void RunMainWindow(HINSTANCE instance, Document* document, const char* command_line);
