#pragma once
// A log-off or shutdown that sends SIGTERM or SIGHUP, or Ctrl+C, ends the
// event loop in order, so the settings are still written; a second signal
// ends the program at once.
class QuillmerApplication;

// The signal handler only writes a byte into a socket pair; the loop reads it
// and asks the application to end.
void QuitOnTerminationSignals(QuillmerApplication& app);
