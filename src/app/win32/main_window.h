#pragma once
// The main window on plain Win32 controls, as the shell lays it out, bound to
// the shell's handlers.
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/win32/layout_controls.h"
#include "app/win32/ui.h"

class MainWindow final : public FormControls {
 public:
  // Creates the window and runs the shell's start-up steps; errors are shown,
  // not raised. A file given to the program fills the input path.
  static MainWindow* Create(int showCommand, const std::string& file = std::string());
  HWND Handle() const { return window_; }

  // Runs one conversion with the controls' values and reports it.
  void Convert();
  // Opens a fresh about box modally.
  void ShowAboutBox();
  // Lets the user pick the box's file with the system's file dialog.
  void BrowseForPath(PathEdit edit);
  // The first file dropped: onto the output box it is the output, anywhere
  // else the input.
  void FilesDropped(HDROP drop);
  // Opens the preview of what the convert button would do now.
  void ShowPreview();

  // FormControls: what the controls show.
  AnsiText MemoText(Memo memo) const override;
  void SetMemoText(Memo memo, const AnsiText& text) override;
  std::string EditText(PathEdit edit) const override;
  void SetEditText(PathEdit edit, const std::string& path) override;
  bool AutoTerminate() const override;
  void SetAutoTerminate(bool ticked) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  // The window moved to a monitor of another density: new fonts, new places.
  void DpiChanged(int dpi, const RECT& suggested);
  HWND MemoBox(Memo memo) const { return memo == Memo::Option ? optionMemo_ : filterMemo_; }
  HWND PathBox(PathEdit edit) const { return edit == PathEdit::Input ? inputBox_ : outputBox_; }

  MainWindow();

  HWND window_ = nullptr;
  int dpi_ = win32ui::kLayoutDpi;
  std::unique_ptr<win32ui::LayoutFonts> fonts_;
  win32ui::LayoutControls controls_;
  HWND convertButton_ = nullptr, inputBox_ = nullptr, outputBox_ = nullptr, autoTerminateBox_ = nullptr;
  HWND optionMemo_ = nullptr, filterMemo_ = nullptr, aboutLink_ = nullptr;
  HWND pathTips_ = nullptr;
  HWND previewLink_ = nullptr;
  MainForm form_;
};
