// The main window (dialog 379): shows the document, routes every action to its
// command, remembers its placement, and receives a second start's command line.
#pragma once

#include <windows.h>

struct Document;

// Runs the main dialog modally; returns when it closes.
void RunMainWindow(HINSTANCE instance);

int ShowDocument(HWND window, Document* document);
void UpdateButtons(HWND window, int mode);
void LayoutMainWindow(HWND window, int width, int height);

// The self-extracting toggle: 1 when the next send makes a self-extracting program.
int SelfExtractEnabled();
