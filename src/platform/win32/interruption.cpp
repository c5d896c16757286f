// Console control events on Windows (Ctrl+C, Ctrl+Break, the console window
// closed). The handler runs on a thread of its own, so it may simply remove
// the temporary files and end the process.
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/interruption.h"

namespace platform {
namespace {

std::string g_programName;
// Signalled by the one request for an orderly end; null when control events
// end the process at once.
HANDLE g_requestEvent = nullptr;
std::atomic<bool> g_requested{false};

const char* EventName(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: return "Ctrl+C";
    case CTRL_BREAK_EVENT: return "Ctrl+Break";
    default: return "the console closing";
  }
}

BOOL WINAPI OnControlEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  if (g_requestEvent != nullptr && !g_requested.exchange(true)) {
    ::SetEvent(g_requestEvent);
    return TRUE;
  }
  RemoveTemporaryFilesNow();
  const std::string message = g_programName + ": interrupted by " + EventName(event) + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
  // The status a shell gives a program that SIGINT ended.
  ::ExitProcess(128 + 2);
}

void Install(std::string_view programName, HANDLE requestEvent) {
  g_programName = std::string(programName);
  g_requestEvent = requestEvent;
  ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

}  // namespace

void EndAtOnceOnInterruption(std::string_view programName) { Install(programName, nullptr); }

std::intptr_t RequestEndOnInterruption(std::string_view programName) {
  HANDLE requestEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Install(programName, requestEvent);
  return requestEvent == nullptr ? -1 : reinterpret_cast<std::intptr_t>(requestEvent);
}

}  // namespace platform
