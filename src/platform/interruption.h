#pragma once
// How the program meets an interruption (SIGINT, SIGTERM and SIGHUP here; the
// console's control events on Windows) and the limits that would otherwise
// end it without a word (a file-size limit, a closed pipe).
#include <cstdint>
#include <string_view>

namespace platform {

// From now on an interruption ends the process at once: the temporary files
// being written are removed, "<program>: interrupted by <signal>" goes to the
// standard error and the exit status is 128 + the signal's number. A write
// beyond the file-size limit or into a closed pipe fails as a write instead.
void EndAtOnceOnInterruption(std::string_view programName);

// The same, except that the first interruption only asks the program to end
// in order, and a second one ends it at once. An event loop watches the
// returned handle for the request: a file descriptor that becomes readable
// here, an event object that is signalled on Windows. Returns -1 when no
// handle can be had; every interruption then ends the process at once.
std::intptr_t RequestEndOnInterruption(std::string_view programName);

}  // namespace platform
