#pragma once
// How the program meets an interruption (SIGINT, SIGTERM and SIGHUP here; the
// console's control events on Windows) and the limits that would otherwise
// end it without a word (a file-size limit, a closed pipe).
#include <string_view>

namespace platform {

// From now on an interruption ends the process at once: the temporary files
// being written are removed, "<program>: interrupted by <signal>" goes to the
// standard error and the exit status is 128 + the signal's number. A write
// beyond the file-size limit or into a closed pipe fails as a write instead.
void EndAtOnceOnInterruption(std::string_view programName);

// The same, except that the first interruption only calls request, which
// must be async-signal-safe (write a byte to a pipe), so that the program can
// end in order; a second one ends it at once.
void RequestEndOnInterruption(std::string_view programName, void (*request)());

}  // namespace platform
