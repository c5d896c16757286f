#pragma once
// What the Win32 windows share: fonts, controls placed at layout positions,
// labels whose width follows their text, links, the error box.
#include <windows.h>

#include <string_view>

#include "text/ansi_text.h"
#include "text/errors.h"

namespace win32ui {

// The layouts are drawn for 96 dots per inch; a window on a monitor of
// another density takes every length scaled to its own.
constexpr int kLayoutDpi = 96;
// The density of the monitor window is on (GetDpiForWindow where Windows has
// it, else the screen's LOGPIXELSX); kLayoutDpi for a window of none.
int WindowDpi(HWND window);
// A length of the layout at dpi, rounded to the nearest pixel.
int Scaled(int length, int dpi);
RECT ScaledRect(int left, int top, int width, int height, int dpi);

// A font of the layout: a face (code page 932 bytes) at a character height of
// 12 pixels at 96 dpi, Shift-JIS character set.
HFONT LayoutFont(std::string_view face, int dpi, bool bold = false, bool underline = false);

// A child control at Left, Top, Width, Height of the layout; placed below the
// controls created before it, so creation order is the Tab order.
HWND Place(HWND parent, const char* className, const AnsiText& text, DWORD style, DWORD exStyle, int id,
           int left, int top, int width, int height, HFONT font);
// A one-line label; it widens when its font needs more room than the layout
// gives, so no caption is cut off. A wrapping label keeps its size.
HWND Label(HWND parent, const AnsiText& text, int id, int left, int top, int width, int height, HFONT font,
           bool wrapping = false);
// Sets a label's text and widens it to fit.
void SetLabelText(HWND label, const AnsiText& text);
// Moves a control to rect (already at the window's density) in font; a label
// then widens to its text as Label does (wrapping: to its widest line).
void Relayout(HWND control, const RECT& rect, HFONT font, bool label, bool wrapping = false);
// Marks a label as a link: blue through LinkColour, hand cursor, clicks notify.
void MakeLink(HWND label);
bool IsLink(HWND control);
// For WM_CTLCOLORSTATIC: links blue, every label transparent on button face.
LRESULT LabelColours(HDC dc, HWND label);
// For WM_SETCURSOR: a hand over links.
bool SetLinkCursor(HWND control);

AnsiText WindowText(HWND window);
// A box's text in the active code page, converted by the page's own rules
// rather than the system's: the characters the conversion reads, and a lead
// byte before a line break standing alone instead of taking it.
void SetBoxText(HWND box, const AnsiText& text);
AnsiText BoxText(HWND box);
// The client area of the layout as a window rectangle at dpi, centred on the
// screen.
RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi = kLayoutDpi);
// Gives a window created at the layout's size the size of its client area at
// its own density, centred again.
void FitToDpi(HWND window, int clientWidth, int clientHeight);

// Shows an error: "." appended by the house rule, each piece of the message
// decoded from its own code page (so it reads the same under every regional
// profile), the application title as caption, the stop icon; a captured
// mouse is released first.
void ShowErrorBox(HWND owner, const QuillmerError& error);
// A box of the program's own text (code page 932), whatever the profile.
int FixedTextBox(HWND owner, const AnsiText& text, const AnsiText& caption, UINT flags);
// Runs a handler; an error that leaves it is shown with ShowErrorBox.
template <typename Handler>
void Guarded(HWND owner, Handler handler);

// Opens an address with the system's handler; failures are silent.
void OpenLink(std::string_view address);

// The object a window was created for (CreateWindowExA's last argument),
// kept in the window's user data from WM_NCCREATE on; nullptr before that.
template <typename Owner>
Owner* WindowOwner(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  }
  return reinterpret_cast<Owner*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

// Shows window modal over its owner, focus on focus, until closed is set. A
// quit message ends it too: the window is then destroyed and the message
// posted again for the main loop.
void RunModal(HWND owner, HWND window, HWND focus, const bool& closed);

}  // namespace win32ui

#include "app/win32/ui_guarded.h"
