#pragma once
// The version-information dialog on plain Win32 controls.
#include <windows.h>

class AboutBox {
 public:
  // A fresh box, shown modally over owner and destroyed when closed.
  static void ShowModal(HWND owner);
};
