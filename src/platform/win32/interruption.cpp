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
void (*g_request)() = nullptr;
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
  if (g_request != nullptr && !g_requested.exchange(true)) {
    g_request();
    return TRUE;
  }
  RemoveTemporaryFilesNow();
  const std::string message = g_programName + ": interrupted by " + EventName(event) + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
  // The status a shell gives a program that SIGINT ended.
  ::ExitProcess(128 + 2);
}

void Install(std::string_view programName, void (*request)()) {
  g_programName = std::string(programName);
  g_request = request;
  ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

}  // namespace

void EndAtOnceOnInterruption(std::string_view programName) { Install(programName, nullptr); }

void RequestEndOnInterruption(std::string_view programName, void (*request)()) { Install(programName, request); }

}  // namespace platform
