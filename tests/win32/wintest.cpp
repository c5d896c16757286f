// quillmer-wintest: drives the Windows program's windows for the GUI test,
// as a user would but without typing (Japanese cannot be typed into Wine).
//   wait TITLE | gone TITLE        a top-level window appears / is gone (20 s)
//   set TITLE ID TEXT              replaces a control's text ("\n" is CR LF)
//   get TITLE ID                   prints a control's text
//   click TITLE ID                 presses a button
//   notify TITLE ID                a label's click
//   box TITLE                      prints a message box's text and presses OK
//   close TITLE                    closes a window
// Titles and texts are in the ANSI code page, as Wine passes them.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND Find(const char* title, bool messageBox) {
  return ::FindWindowA(messageBox ? "#32770" : nullptr, title);
}

HWND WaitFor(const char* title, bool messageBox) {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = Find(title, messageBox); window != nullptr && ::IsWindowVisible(window)) return window;
    ::Sleep(100);
  }
  std::fprintf(stderr, "quillmer-wintest: no window \"%s\"\n", title);
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

std::string WithLineBreaks(std::string text) {
  for (std::size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2)) {
    text.replace(at, 2, "\r\n");
  }
  return text;
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
  } else if (command == "close") {
    ::PostMessageA(WaitFor(title, false), WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
