#include "app/win32/about_box.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "app/about_text.h"
#include "app/win32/layout_controls.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "app/win32/version_resource.h"

namespace {

constexpr const char* kClassName = "QuillmerAboutBox";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP;

struct AboutWindow {
  HWND window = nullptr;
  HWND tooltips = nullptr;
  int dpi = win32ui::kLayoutDpi;
  std::unique_ptr<win32ui::LayoutFonts> fonts;
  win32ui::LayoutControls controls;
  HICON icon = nullptr;
  HWND okButton = nullptr, productName = nullptr, version = nullptr, copyright = nullptr;
  std::vector<HWND> contactGroup, noticeGroup;
  bool closed = false;
};

void AddHint(AboutWindow& about, HWND control, const AnsiText& hint) {
  TOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = about.window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(hint.c_str());
  ::SendMessageA(about.tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The program's picture, 32 pixels at 96 dpi, from the icon's own size for
// the density where it has one.
void LoadProgramIcon(AboutWindow& about) {
  if (about.icon != nullptr) ::DestroyIcon(about.icon);
  const int size = win32ui::Scaled(32, about.dpi);
  about.icon = static_cast<HICON>(
      ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMER), IMAGE_ICON, size, size, 0));
}

void CreateControls(AboutWindow& about) {
  const WindowLayout& layout = AboutBoxLayout();
  HWND w = about.window;
  about.dpi = win32ui::WindowDpi(w);
  about.fonts = std::make_unique<win32ui::LayoutFonts>(layout, about.dpi);
  LoadProgramIcon(about);
  about.tooltips = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
  // The layout's own ids name the controls.
  about.controls = win32ui::CreateLayoutControls(w, layout, *about.fonts, about.dpi);
  const win32ui::LayoutControls& controls = about.controls;
  about.okButton = controls.at("cmdOK");
  about.productName = controls.at("ProductName");
  about.version = controls.at("Version");
  about.copyright = controls.at("Copyright");
  for (const ControlLayout& row : layout.controls) {
    const auto control = controls.find(row.name);
    if (control == controls.end()) continue;
    if (!row.tooltip.empty()) AddHint(about, control->second, win32ui::LayoutText(row.tooltip));
    if (row.name == ContactGroup || row.parent == ContactGroup) about.contactGroup.push_back(control->second);
    if (row.name == NoticeGroup || row.parent == NoticeGroup) about.noticeGroup.push_back(control->second);
  }
  for (HWND control : about.noticeGroup) ::ShowWindow(control, SW_HIDE);
}

void ShowVersionInfo(AboutWindow& about) {
  const AboutCaptions captions = ComposeAboutCaptions(ExecutableVersionInfo());
  win32ui::SetLabelText(about.productName, captions.productName);
  win32ui::SetLabelText(about.version, captions.version);
  win32ui::SetLabelText(about.copyright, captions.copyright);
  if (captions.noticeGroup) {
    for (HWND control : about.contactGroup) ::ShowWindow(control, SW_HIDE);
    for (HWND control : about.noticeGroup) ::ShowWindow(control, SW_SHOW);
  }
}

void PaintFrameAndIcon(AboutWindow& about, HDC dc) {
  for (const ControlLayout& row : AboutBoxLayout().controls) {
    if (row.kind != ControlKind::Frame) continue;
    RECT frame = win32ui::FrameRect(AboutBoxLayout(), row, about.dpi);
    ::DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
  }
  const int at = win32ui::Scaled(24, about.dpi);
  const int size = win32ui::Scaled(32, about.dpi);
  if (about.icon != nullptr) ::DrawIconEx(dc, at, at, about.icon, size, size, 0, nullptr, DI_NORMAL);
}

void DpiChanged(AboutWindow& about, int dpi, const RECT& suggested) {
  if (dpi != about.dpi) {
    about.dpi = dpi;
    auto fonts = std::make_unique<win32ui::LayoutFonts>(AboutBoxLayout(), dpi);
    win32ui::RelayoutControls(about.controls, AboutBoxLayout(), *fonts, dpi);
    about.fonts = std::move(fonts);
    LoadProgramIcon(about);
  }
  ::SetWindowPos(about.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(about.window, nullptr, TRUE);
}

void LinkClicked(AboutWindow& about, const ControlLayout& link) {
  const LinkClick click = ClickOnLink(link);
  if (click.warnFirst) {
    win32ui::FixedTextBox(about.window, click.warning.text, click.warning.caption, MB_OK | MB_ICONWARNING);
  }
  win32ui::OpenLink(click.address);
}

LRESULT CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* about = win32ui::WindowOwner<AboutWindow>(window, message, lParam);
  if (about == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  about->window = window;
  switch (message) {
    case WM_CREATE:
      CreateControls(*about);
      return 0;
    case WM_ERASEBKGND: {
      const LRESULT erased = ::DefWindowProcA(window, message, wParam, lParam);
      PaintFrameAndIcon(*about, reinterpret_cast<HDC>(wParam));
      return erased;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      const ControlLayout* control = FindControl(AboutBoxLayout(), id);
      const bool link = control != nullptr &&
                        (control->kind == ControlKind::Link || control->kind == ControlKind::MailLink);
      if ((id == ::GetDlgCtrlID(about->okButton) || id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
        ::DestroyWindow(window);
      } else if (link && code == STN_CLICKED) {
        win32ui::Guarded(window, [about, control] { LinkClicked(*about, *control); });
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(::GetDlgCtrlID(about->okButton), DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      return win32ui::LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (win32ui::SetLinkCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_DPICHANGED:
      DpiChanged(*about, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      about->closed = true;
      about->fonts.reset();
      if (about->icon != nullptr) ::DestroyIcon(about->icon);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void AboutBox::ShowModal(HWND owner) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = AboutProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);

  AboutWindow about;
  const WindowLayout& layout = AboutBoxLayout();
  const RECT rect = win32ui::CentredWindowRect(layout.width, layout.height, kStyle, kExStyle);
  const AnsiText caption = win32ui::LayoutText(layout.caption);
  ::CreateWindowExA(kExStyle, kClassName, caption.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, owner, nullptr, instance, &about);
  if (about.window == nullptr) return;
  win32ui::FitToDpi(about.window, layout.width, layout.height);
  // A failure while filling the captions is shown; the box opens all the same.
  win32ui::Guarded(owner, [&about] { ShowVersionInfo(about); });
  win32ui::RunModal(owner, about.window, about.okButton, about.closed);
}
