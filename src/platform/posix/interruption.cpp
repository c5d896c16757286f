// Signals on POSIX. The handler only calls async-signal-safe functions: the
// messages are made when the handlers are installed.
#include "platform/interruption.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace platform {
namespace {

struct Ending {
  int signal;
  const char* name;
  char message[160];
  std::size_t length;
};
Ending g_endings[] = {{SIGINT, "SIGINT", {}, 0}, {SIGTERM, "SIGTERM", {}, 0}, {SIGHUP, "SIGHUP", {}, 0}};

// The write end of the pipe that carries the one request for an orderly end;
// -1 when interruptions end at once.
int g_requestPipe = -1;
std::atomic<bool> g_requested{false};

void OnInterruption(int signal) {
  if (g_requestPipe >= 0 && !g_requested.exchange(true)) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_requestPipe, &byte, 1);
    return;
  }
  RemoveTemporaryFilesNow();
  for (const Ending& ending : g_endings) {
    if (ending.signal == signal) {
      [[maybe_unused]] const ssize_t ignored = ::write(2, ending.message, ending.length);
    }
  }
  ::_exit(128 + signal);
}

void Install(std::string_view programName, int requestPipe) {
  g_requestPipe = requestPipe;
  // Limits are met as failed writes, which the caller reports.
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
  for (Ending& ending : g_endings) {
    const std::string text = std::string(programName) + ": interrupted by " + ending.name + "\n";
    ending.length = text.size() < sizeof ending.message ? text.size() : sizeof ending.message;
    std::memcpy(ending.message, text.data(), ending.length);
    struct sigaction old {};
    // A signal the parent chose to ignore (nohup, a background job) stays ignored.
    if (::sigaction(ending.signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnInterruption;
    sigemptyset(&action.sa_mask);
    for (const Ending& other : g_endings) sigaddset(&action.sa_mask, other.signal);
    action.sa_flags = SA_RESTART;
    ::sigaction(ending.signal, &action, nullptr);
  }
}

}  // namespace

void EndAtOnceOnInterruption(std::string_view programName) { Install(programName, -1); }

std::intptr_t RequestEndOnInterruption(std::string_view programName) {
  int ends[2];
  // Non-blocking, so that the handler never waits on a full pipe.
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    Install(programName, -1);
    return -1;
  }
  Install(programName, ends[1]);
  return ends[0];
}

}  // namespace platform
