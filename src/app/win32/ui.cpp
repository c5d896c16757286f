#include "app/win32/ui.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "app/error_text.h"
#include "app/main_form.h"
#include "platform/code_page.h"
#include "text/line_cursor.h"

namespace win32ui {
namespace {

constexpr const char* kLinkProperty = "QuillmerLink";

HBRUSH ButtonFace() { return ::GetSysColorBrush(COLOR_BTNFACE); }

}  // namespace

int WindowDpi(HWND window) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  // Windows 10 1607 and later; older systems have one density for all monitors.
  static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (dpiForWindow != nullptr && window != nullptr) {
    if (const UINT dpi = dpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kLayoutDpi;
}

int Scaled(int length, int dpi) { return ::MulDiv(length, dpi, kLayoutDpi); }

RECT ScaledRect(int left, int top, int width, int height, int dpi) {
  // Edges scaled, not sizes: neighbours that touch at 96 dpi still touch.
  return RECT{Scaled(left, dpi), Scaled(top, dpi), Scaled(left + width, dpi), Scaled(top + height, dpi)};
}

HFONT LayoutFont(std::string_view face, int dpi, bool bold, bool underline) {
  LOGFONTA font{};
  font.lfHeight = -Scaled(12, dpi);  // a character height, not a cell height
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::size_t n = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
  face.copy(font.lfFaceName, n);
  return ::CreateFontIndirectA(&font);
}

HWND Place(HWND parent, const char* className, const AnsiText& text, DWORD style, DWORD exStyle, int id,
           int left, int top, int width, int height, HFONT font) {
  HWND control = ::CreateWindowExA(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, left, top,
                                   width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleA(nullptr), nullptr);
  if (control == nullptr) return nullptr;
  ::SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

namespace {

// Widens a label to its text in its font: the whole text, or a wrapping
// label's widest line (its lines stay the layout's lines in a face a little
// wider than the one the layout was made for).
void WidenToText(HWND label, bool wrapping) {
  const AnsiText text = WindowText(label);
  HDC dc = ::GetDC(label);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
  int widest = 0;
  const auto measure = [dc, &widest](std::string_view line) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  };
  if (wrapping) {
    LineCursor lines(text, {.crLfOnly = true, .keepNul = true});
    for (std::string_view line; lines.Next(line);) measure(line);
  } else {
    measure(text);
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  RECT rect{};
  ::GetWindowRect(label, &rect);
  if (widest > rect.right - rect.left) {
    ::SetWindowPos(label, nullptr, 0, 0, widest, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace

HWND Label(HWND parent, const AnsiText& text, int id, int left, int top, int width, int height, HFONT font,
           bool wrapping) {
  HWND label = Place(parent, "STATIC", text, (wrapping ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOTIFY, 0, id, left,
                     top, width, height, font);
  if (label != nullptr) WidenToText(label, wrapping);
  return label;
}

void SetLabelText(HWND label, const AnsiText& text) {
  ::SetWindowTextA(label, text.c_str());
  WidenToText(label, false);
}

void Relayout(HWND control, const RECT& rect, HFONT font, bool label, bool wrapping) {
  ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (label) WidenToText(control, wrapping);
}

void MakeLink(HWND label) { ::SetPropA(label, kLinkProperty, reinterpret_cast<HANDLE>(1)); }

bool IsLink(HWND control) { return ::GetPropA(control, kLinkProperty) != nullptr; }

LRESULT LabelColours(HDC dc, HWND label) {
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, IsLink(label) ? RGB(0, 0, 255) : ::GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(ButtonFace());
}

bool SetLinkCursor(HWND control) {
  if (!IsLink(control)) return false;
  ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
  return true;
}

AnsiText WindowText(HWND window) {
  const int length = ::GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void SetBoxText(HWND box, const AnsiText& text) {
  const std::u16string units = platform::AnsiCodePage().ToUtf16(text);
  ::SetWindowTextW(box, reinterpret_cast<const wchar_t*>(units.c_str()));
}

AnsiText BoxText(HWND box) {
  const int length = ::GetWindowTextLengthW(box);
  std::u16string units(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = ::GetWindowTextW(box, reinterpret_cast<wchar_t*>(units.data()), length + 1);
  units.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return platform::AnsiCodePage().FromUtf16(units);
}

RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  // The frame's own size at the monitor's density, where Windows can say it.
  static const auto adjustForDpi = reinterpret_cast<AdjustForDpi>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  RECT rect{0, 0, clientWidth, clientHeight};
  if (adjustForDpi != nullptr && dpi != kLayoutDpi) {
    adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
  } else {
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int left = work.left + ((work.right - work.left) - width) / 2;
  const int top = work.top + ((work.bottom - work.top) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

void FitToDpi(HWND window, int clientWidth, int clientHeight) {
  const int dpi = WindowDpi(window);
  if (dpi == kLayoutDpi) return;
  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
  const RECT rect =
      CentredWindowRect(Scaled(clientWidth, dpi), Scaled(clientHeight, dpi), style, exStyle, dpi);
  ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowErrorBox(HWND owner, const QuillmerError& error) {
  if (HWND captured = ::GetCapture()) ::SendMessageA(captured, WM_CANCELMODE, 0, 0);
  const std::u16string text = ShownErrorText(error);
  const std::u16string caption = ShownFixedText(ApplicationTitle());
  const bool owned = owner != nullptr && ::IsWindowVisible(owner);
  ::MessageBoxW(owned ? owner : nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
                reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OK | MB_ICONSTOP | (owned ? 0 : MB_TASKMODAL));
}

int FixedTextBox(HWND owner, const AnsiText& text, const AnsiText& caption, UINT flags) {
  const std::u16string shownText = ShownFixedText(text);
  const std::u16string shownCaption = ShownFixedText(caption);
  return ::MessageBoxW(owner, reinterpret_cast<const wchar_t*>(shownText.c_str()),
                       reinterpret_cast<const wchar_t*>(shownCaption.c_str()), flags);
}

void OpenLink(std::string_view address) {
  const std::string target(address);
  ::ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void RunModal(HWND owner, HWND window, HWND focus, const bool& closed) {
  ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(focus);
  MSG message;
  while (!closed && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageA(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  ::EnableWindow(owner, TRUE);
  ::SetActiveWindow(owner);
  if (!closed) {
    ::DestroyWindow(window);
    ::PostQuitMessage(0);
  }
}

}  // namespace win32ui
