#pragma once
// The desktop's ways of naming a file in a path box, as the Linux window has
// them: the system's file dialog, double-click or 参照... in the box's context
// menu, and the whole path as the box's tooltip.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/path_choice.h"

namespace win32ui {

// The system's open or save dialog as choice asks it; nullopt when the user
// cancelled. The current directory stays where it was, so relative paths in
// the boxes keep their meaning.
std::optional<std::string> ChooseFile(HWND owner, const PathChoice& choice);

// Double-click on edit, or 参照... in its context menu (the edit's own
// commands and this one), calls browse.
void MakePathBox(HWND edit, std::function<void()> browse);

// A tooltip control over the path boxes of owner; each shows nothing until
// ShowWholePath gives it a text.
HWND CreatePathTips(HWND owner, std::initializer_list<HWND> boxes);
void ShowWholePath(HWND tips, HWND box, const AnsiText& path);

// The wait cursor while it lives, however the work ends.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace win32ui
