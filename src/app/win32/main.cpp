// Quillmer.exe: regional settings first, then the main window and the
// message loop; the settings are saved when the window goes, also at log-off.
#include <windows.h>

#include <commctrl.h>
#include <stdlib.h>

#include <exception>
#include <string>
#include <vector>

#include "app/regional_choice.h"
#include "app/win32/main_window.h"
#include "app/win32/ui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // QUILLMER_LOCALE may name a built-in profile; otherwise the user's own settings.
  const std::vector<std::exception_ptr> failures = PrepareRegionalSettings();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // Explorer's "Open with" and Send to give the file as the first argument.
  MainWindow* form = MainWindow::Create(showCommand, __argc > 1 ? std::string(__argv[1]) : std::string());
  if (form == nullptr) return 1;
  for (const std::exception_ptr& failure : failures)
    win32ui::Guarded(form->Handle(), [&failure] { std::rethrow_exception(failure); });
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The dialog manager gives Tab, the default button on Enter, and Space.
    if (::IsWindow(form->Handle()) && ::IsDialogMessageA(form->Handle(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  delete form;
  return 0;
}
