#pragma once
// The program from its main window on: created (loading the settings), shown,
// the event loop, then hidden and the settings saved.

#include <string>

// Needs a QuillmerApplication whose title is set. A file given (as a file
// manager's "Open with" gives it) fills the input path once the settings are
// loaded. Returns the exit code, 0.
int RunMainWindow(const std::string& inputFile = std::string());
