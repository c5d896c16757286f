#pragma once
// The program from its main window on: created (loading the settings), shown,
// the event loop, then hidden and the settings saved.

// Needs a QuillmerApplication whose title is set. Returns the exit code, 0.
int RunMainWindow();
