// quillmer-wintest: drives the Windows program's windows for the GUI test,
// as a user would but without typing (Japanese cannot be typed into Wine).
//   wait TITLE | gone TITLE        a top-level window appears / is gone (20 s)
//   set TITLE ID TEXT              replaces a control's text ("\n" is CR LF)
//   get TITLE ID                   prints a control's text
//   click TITLE ID                 presses a button
//   notify TITLE ID                a label's click
//   box TITLE                      prints a message box's text and presses OK
//   close TITLE                    closes a window
//   drop TITLE ID FILE             drops a file from Explorer onto a control (ID 0: the window)
//   tip TITLE ID                   prints a control's tooltip
//   dblclick TITLE ID              double-clicks a control
//   browse TITLE ID                chooses 参照... in a control's context menu
//   clipboard TITLE                prints the clipboard's text once the window has put some there
//   layout TITLE DPI               checks the main window or the version dialog against its layout
//                                  at DPI: the client area and each control within a pixel of the
//                                  table's place scaled, no label's text wider than the label
//   dpichange TITLE DPI            tells a window it is now on a monitor of DPI, as Windows does
//                                  when it is moved there (the suggested rectangle keeps its frame)
// Titles and texts are in the ANSI code page, as Wine passes them.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/win32/layout_controls.h"
#include "app/win32/ui.h"
#include "app/window_layout.h"

namespace {

HWND Find(const char* title, bool messageBox, const char* className = nullptr) {
  return ::FindWindowA(messageBox ? "#32770" : className, title);
}

HWND WaitFor(const char* title, bool messageBox, const char* className = nullptr) {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = Find(title, messageBox, className); window != nullptr && ::IsWindowVisible(window))
      return window;
    ::Sleep(100);
  }
  std::fprintf(stderr, "quillmer-wintest: no window \"%s\"\n", title != nullptr ? title : className);
  std::exit(1);
}

HWND Control(const char* title, const char* id) {
  HWND control = ::GetDlgItem(WaitFor(title, false), std::atoi(id));
  if (control == nullptr) {
    std::fprintf(stderr, "quillmer-wintest: no control %s in \"%s\"\n", id, title);
    std::exit(1);
  }
  return control;
}

// Asked of the control itself: GetWindowTextA does not ask another process's edits.
std::string Text(HWND window) {
  std::string text(static_cast<std::size_t>(::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  const LRESULT n = ::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// Memory in the window's process, for messages whose pointers are not carried
// between processes: a drop's file list, a tooltip's text.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, std::size_t size) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    address_ = static_cast<char*>(::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (address_ == nullptr) {
      std::fprintf(stderr, "quillmer-wintest: no memory in the window's process\n");
      std::exit(1);
    }
  }
  ~RemoteMemory() {
    ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    ::CloseHandle(process_);
  }
  char* At(std::size_t offset) const { return address_ + offset; }
  void Write(std::size_t offset, const void* data, std::size_t size) const {
    ::WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  void Read(std::size_t offset, void* data, std::size_t size) const {
    ::ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  char* address_ = nullptr;
};

// As Explorer drops a file: a DROPFILES list at the control's middle.
void Drop(HWND window, HWND control, const std::string& file) {
  POINT point{5, 5};
  if (control != nullptr) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    point = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ScreenToClient(window, &point);
  }
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.pt = point;
  std::string list(reinterpret_cast<const char*>(&header), sizeof header);
  list += file;
  list.append(2, '\0');
  const RemoteMemory memory(window, list.size());
  memory.Write(0, list.data(), list.size());
  ::SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory.At(0)), 0);
}

HWND TooltipOf(HWND window) {
  struct Search {
    HWND owner;
    HWND found;
  } search{window, nullptr};
  ::EnumWindows(
      [](HWND candidate, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        char name[64] = {};
        ::GetClassNameA(candidate, name, sizeof name);
        if (std::string(name) != TOOLTIPS_CLASSA || ::GetWindow(candidate, GW_OWNER) != s->owner) return TRUE;
        s->found = candidate;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The tooltip's text in the ANSI code page, asked in UTF-16: the ANSI
// question is answered with at most 80 bytes.
std::string TooltipText(HWND window, HWND control) {
  HWND tooltip = TooltipOf(window);
  if (tooltip == nullptr) return "(no tooltip)";
  constexpr std::size_t kUnits = 4096;
  const RemoteMemory memory(window, sizeof(TTTOOLINFOW) + kUnits * sizeof(wchar_t));
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = reinterpret_cast<wchar_t*>(memory.At(sizeof tool));
  const wchar_t none = 0;
  memory.Write(sizeof tool, &none, sizeof none);
  memory.Write(0, &tool, sizeof tool);
  ::SendMessageW(tooltip, TTM_GETTEXTW, kUnits, reinterpret_cast<LPARAM>(memory.At(0)));
  std::wstring text(kUnits, L'\0');
  memory.Read(sizeof tool, text.data(), kUnits * sizeof(wchar_t));
  text.resize(text.find(L'\0'));
  std::string ansi(text.size() * 2 + 1, '\0');
  ansi.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                                             ansi.data(), static_cast<int>(ansi.size()), nullptr,
                                                             nullptr)));
  return ansi;
}

std::string WithLineBreaks(std::string text) {
  for (std::size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2)) {
    text.replace(at, 2, "\r\n");
  }
  return text;
}

// The widest line of a label's text in the font the program gives its kind.
int TextWidth(HWND label, HFONT font) {
  const std::string text = Text(label);
  HDC dc = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, font);
  int widest = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data() + start, static_cast<int>(end - start), &size);
    if (size.cx > widest) widest = size.cx;
    start = end + 2;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return widest;
}

// WM_DPICHANGED with the rectangle Windows would suggest: the layout's client
// area at dpi inside the window's present frame.
void DpiChange(const char* title, int dpi) {
  HWND window = WaitFor(title, false);
  const bool about = std::string(title) == win32ui::LayoutText(AboutBoxLayout().caption);
  const WindowLayout& layout = about ? AboutBoxLayout() : MainWindowLayout();
  RECT outer{}, client{};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  const RECT suggested{outer.left, outer.top, outer.left + frameWidth + ::MulDiv(layout.width, dpi, 96),
                       outer.top + frameHeight + ::MulDiv(layout.height, dpi, 96)};
  const RemoteMemory memory(window, sizeof suggested);
  memory.Write(0, &suggested, sizeof suggested);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(memory.At(0)));
}

// Prints each difference from the layout; returns their count.
int CheckLayout(const char* title, int dpi) {
  HWND window = WaitFor(title, false);
  const bool about = std::string(title) == win32ui::LayoutText(AboutBoxLayout().caption);
  const WindowLayout& layout = about ? AboutBoxLayout() : MainWindowLayout();
  const win32ui::LayoutFonts fonts(layout, dpi);
  const double scale = dpi / 96.0;
  const int slack = dpi == 96 ? 0 : 1;
  int failures = 0;
  const auto expect = [&](const char* what, std::string_view name, long actual, int planned, bool atLeast) {
    const double wanted = planned * scale;
    if (std::fabs(static_cast<double>(actual) - wanted) <= slack || (atLeast && actual >= wanted)) return;
    std::printf("%.*s: %s %ld, wanted %.1f\n", static_cast<int>(name.size()), name.data(), what, actual, wanted);
    ++failures;
  };
  RECT client{};
  ::GetClientRect(window, &client);
  expect("client width", "window", client.right, layout.width, false);
  expect("client height", "window", client.bottom, layout.height, false);
  for (const ControlLayout& row : layout.controls) {
    if (row.id == 0 || row.kind == ControlKind::Frame) continue;
    HWND control = ::GetDlgItem(window, row.id);
    if (control == nullptr) {
      std::printf("%.*s: missing\n", static_cast<int>(row.name.size()), row.name.data());
      ++failures;
      continue;
    }
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    const LayoutRect planned = WindowRect(layout, row);
    // Labels widen to their text; an icon takes its picture's size.
    const bool label = row.kind == ControlKind::Label || row.kind == ControlKind::BoldLabel ||
                       row.kind == ControlKind::Link || row.kind == ControlKind::MailLink ||
                       row.kind == ControlKind::WrappedLabel;
    const bool image = row.kind == ControlKind::ContactImage || row.kind == ControlKind::NoticeImage;
    expect("left", row.name, r.left, planned.left, false);
    expect("top", row.name, r.top, planned.top, false);
    if (image) continue;
    expect("width", row.name, r.right - r.left, planned.width, label);
    expect("height", row.name, r.bottom - r.top, planned.height, false);
    if (label && TextWidth(control, fonts.For(row.kind)) > r.right - r.left) {
      std::printf("%.*s: text %d wider than its label %ld\n", static_cast<int>(row.name.size()), row.name.data(),
                  TextWidth(control, fonts.For(row.kind)), r.right - r.left);
      ++failures;
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  // Texts are printed byte for byte: no CR added before LF.
  _setmode(_fileno(stdout), _O_BINARY);
  const std::string command = argv[1];
  const char* title = argv[2];
  if (command == "wait") {
    WaitFor(title, false);
  } else if (command == "gone") {
    for (int i = 0; Find(title, false) != nullptr; ++i) {
      if (i == 200) return 1;
      ::Sleep(100);
    }
  } else if (command == "set" && argc == 5) {
    HWND control = Control(title, argv[3]);
    const std::string text = WithLineBreaks(argv[4]);
    // A file dialog's name box is an edit inside combo boxes.
    for (HWND inner = control; inner != nullptr; inner = ::GetWindow(inner, GW_CHILD)) {
      char name[64] = {};
      ::GetClassNameA(inner, name, sizeof name);
      if (std::string(name) == "Edit") control = inner;
    }
    ::SendMessageA(control, EM_SETSEL, 0, -1);
    ::SendMessageA(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  } else if (command == "get" && argc == 4) {
    const std::string text = Text(Control(title, argv[3]));
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else if (command == "click" && argc == 4) {
    // Posted: the click opens a modal box, and this helper must not wait for it.
    ::PostMessageA(Control(title, argv[3]), BM_CLICK, 0, 0);
  } else if (command == "notify" && argc == 4) {
    HWND control = Control(title, argv[3]);
    ::PostMessageA(::GetParent(control), WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), STN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
  } else if (command == "box") {
    HWND box = WaitFor(title, true);
    const std::string text = Text(::GetDlgItem(box, 0xFFFF));
    std::fwrite(text.data(), 1, text.size(), stdout);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  } else if (command == "drop" && argc == 5) {
    HWND window = WaitFor(title, false);
    Drop(window, std::atoi(argv[3]) == 0 ? nullptr : Control(title, argv[3]), argv[4]);
  } else if (command == "tip" && argc == 4) {
    const std::string text = TooltipText(WaitFor(title, false), Control(title, argv[3]));
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else if (command == "browse" && argc == 4) {
    // The context menu from the keyboard, then its last item, 参照....
    ::PostMessageA(Control(title, argv[3]), WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1));
    HWND menu = WaitFor(nullptr, false, "#32768");
    ::PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  } else if (command == "dblclick" && argc == 4) {
    ::PostMessageA(Control(title, argv[3]), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  } else if (command == "controls") {
    ::EnumChildWindows(
        WaitFor(title, false),
        [](HWND child, LPARAM) -> BOOL {
          char name[64] = {};
          ::GetClassNameA(child, name, sizeof name);
          std::printf("%d %s %s\n", ::GetDlgCtrlID(child), name, Text(child).c_str());
          return TRUE;
        },
        0);
  } else if (command == "clipboard") {
    WaitFor(title, false);
    for (int i = 0; i < 50 && !::IsClipboardFormatAvailable(CF_TEXT); ++i) ::Sleep(100);
    if (!::OpenClipboard(nullptr)) return 1;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
      const char* text = static_cast<const char*>(::GlobalLock(data));
      std::fwrite(text, 1, std::strlen(text), stdout);
      ::GlobalUnlock(data);
    }
    ::CloseClipboard();
  } else if (command == "silentpipe" && argc == 4) {
    // A named pipe whose server never writes, for as many seconds as asked.
    const std::string name = std::string("\\\\.\\pipe\\") + title;
    HANDLE pipe = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                     nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return 1;
    ::Sleep(static_cast<DWORD>(std::atoi(argv[3])) * 1000);
    ::CloseHandle(pipe);
  } else if (command == "layout" && argc == 4) {
    return CheckLayout(title, std::atoi(argv[3])) == 0 ? 0 : 1;
  } else if (command == "dpichange" && argc == 4) {
    DpiChange(title, std::atoi(argv[3]));
  } else if (command == "close") {
    ::PostMessageA(WaitFor(title, false), WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
