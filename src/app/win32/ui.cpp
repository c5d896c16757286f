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

HFONT LayoutFont(std::string_view face, bool bold, bool underline) {
  LOGFONTA font{};
  font.lfHeight = -12;  // a character height, not a cell height
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

HWND Label(HWND parent, const AnsiText& text, int id, int left, int top, int width, int height, HFONT font,
           bool wrapping) {
  HWND label = Place(parent, "STATIC", "", (wrapping ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOTIFY, 0, id, left,
                     top, width, height, font);
  if (!wrapping) {
    SetLabelText(label, text);
    return label;
  }
  // Its lines stay the layout's lines in a face a little wider than the one
  // the layout was made for.
  ::SetWindowTextA(label, text.c_str());
  HDC dc = ::GetDC(label);
  HGDIOBJ old = ::SelectObject(dc, font);
  int widest = width;
  LineCursor lines(text, {.crLfOnly = true, .keepNul = true});
  for (std::string_view line; lines.Next(line);) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  if (widest > width) ::SetWindowPos(label, nullptr, 0, 0, widest, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return label;
}

void SetLabelText(HWND label, const AnsiText& text) {
  ::SetWindowTextA(label, text.c_str());
  HDC dc = ::GetDC(label);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  RECT rect{};
  ::GetWindowRect(label, &rect);
  const int width = rect.right - rect.left;
  if (size.cx > width) {
    ::SetWindowPos(label, nullptr, 0, 0, size.cx, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
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

RECT CentredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
  RECT rect{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int left = work.left + ((work.right - work.left) - width) / 2;
  const int top = work.top + ((work.bottom - work.top) - height) / 2;
  return RECT{left, top, left + width, top + height};
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
