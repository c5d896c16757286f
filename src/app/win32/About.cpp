#include "app/win32/About.h"

#include <commctrl.h>

#include <vector>

#include "app/about_text.h"
#include "app/win32/version_resource.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "platform/code_page.h"

using platform::Cp932FromUtf8;

namespace {

constexpr const char* kClassName = "TfrmAbout";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP;

struct AboutWindow {
  HWND window = nullptr;
  HWND tooltips = nullptr;
  HFONT font = nullptr, bold = nullptr, link = nullptr;
  HICON icon = nullptr;
  HWND cmdOK = nullptr, productName = nullptr, version = nullptr, copyright = nullptr;
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

void CreateControls(AboutWindow& about) {
  using win32ui::Label;
  using win32ui::Place;
  HWND w = about.window;
  about.font = win32ui::LayoutFont("MS UI Gothic");
  about.bold = win32ui::LayoutFont(Cp932FromUtf8("ＭＳ Ｐゴシック"), true);
  about.link = win32ui::LayoutFont(Cp932FromUtf8("ＭＳ Ｐゴシック"), false, true);
  about.icon = static_cast<HICON>(
      ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMER), IMAGE_ICON, 32, 32, 0));
  about.tooltips = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
  const AnsiText pending = Cp932FromUtf8("実行時に取得");
  const AnsiText webSite(WebSiteAddress);
  const AnsiText webHint = Cp932FromUtf8("作者の Web サイトへジャンプ");

  about.cmdOK = Place(w, "BUTTON", "OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, IDC_CMDOK, 112, 224, 97, 26,
                      about.font);
  AddHint(about, about.cmdOK, Cp932FromUtf8("閉じる"));
  about.copyright = Label(w, pending, IDC_COPYRIGHT, 72, 72, 69, 12, about.font);
  AddHint(about, about.copyright, Cp932FromUtf8("著作権情報"));
  about.version = Label(w, pending, IDC_VERSION, 72, 44, 69, 12, about.font);
  AddHint(about, about.version, Cp932FromUtf8("バージョン情報"));
  about.productName = Label(w, pending, IDC_PRODUCTNAME, 70, 24, 77, 12, about.bold);
  AddHint(about, about.productName, Cp932FromUtf8("ソフトウエアの名称"));

  // The two groups share one place; their contents sit beside them at (8, 120).
  constexpr int gx = 8, gy = 120;
  HWND label1 = Label(w, webSite, IDC_ABOUT_LABEL1, gx + 104, gy + 43, 129, 12, about.link);
  HWND label4 = Label(w, AnsiText(SupportMailAddress), IDC_ABOUT_LABEL4, gx + 104, gy + 22, 109, 12, about.link);
  HWND label5 = Label(w, "E-mail:", IDC_ABOUT_LABEL5, gx + 64, gy + 22, 36, 12, about.font);
  HWND label6 = Label(w, "URL:", IDC_ABOUT_LABEL6, gx + 64, gy + 44, 24, 12, about.font);
  HWND image1 = Place(w, "STATIC", "", SS_ICON | SS_NOTIFY, 0, IDC_IMAGE1, gx + 16, gy + 33, 32, 32, about.font);
  HWND label2 = Label(w, Cp932FromUtf8("USERS' SITE (サポートのお知らせ)"), IDC_ABOUT_LABEL2, gx + 104, gy + 64, 179,
                      12, about.link);
  HWND group1 = Place(w, "BUTTON", Cp932FromUtf8("連絡先"), BS_GROUPBOX, 0, IDC_ABOUT_GROUPBOX1, gx, gy, 313, 92,
                      about.font);
  HWND label7 = Label(w, webSite, IDC_ABOUT_LABEL7, gx + 136, gy + 59, 129, 12, about.link);
  HWND label9 = Label(w,
                      Cp932FromUtf8("このソフトウエアはノンサポートソフトウエアです。\r\n"
                                    "一切のお問い合わせをお断りしております。"),
                      IDC_ABOUT_LABEL9, gx + 64, gy + 24, 233, 33, about.font, true);
  HWND label10 = Label(w, Cp932FromUtf8("公開元URL:"), IDC_ABOUT_LABEL10, gx + 64, gy + 60, 60, 12, about.font);
  HWND image2 = Place(w, "STATIC", "", SS_ICON | SS_NOTIFY, 0, IDC_IMAGE2, gx + 16, gy + 33, 32, 32, about.font);
  HWND group2 = Place(w, "BUTTON", Cp932FromUtf8("お知らせ"), BS_GROUPBOX, 0, IDC_ABOUT_GROUPBOX2, gx, gy, 313, 92,
                      about.font);
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  ::SendMessageA(image1, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(instance, MAKEINTRESOURCEA(IDI_CONTACT))), 0);
  ::SendMessageA(image2, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(instance, MAKEINTRESOURCEA(IDI_NOTICE))), 0);
  for (HWND link : {label1, label4, label2, label7}) win32ui::MakeLink(link);
  AddHint(about, label1, webHint);
  AddHint(about, label7, webHint);
  AddHint(about, label4, Cp932FromUtf8("作者にサポート依頼メールを送信"));
  AddHint(about, label2, Cp932FromUtf8("USERS' SITE (サポート専用のサイト)へジャンプ"));
  AddHint(about, image1, "Contact me!");
  AddHint(about, image2, "Contact me!");
  about.contactGroup = {group1, label1, label4, label5, label6, image1, label2};
  about.noticeGroup = {group2, label7, label9, label10, image2};
  for (HWND control : about.noticeGroup) ::ShowWindow(control, SW_HIDE);
}

void FormShow(AboutWindow& about) {
  const AboutCaptions captions = ComposeAboutCaptions(ExecutableVersionInfo());
  win32ui::SetLabelText(about.productName, captions.productName);
  win32ui::SetLabelText(about.version, captions.version);
  win32ui::SetLabelText(about.copyright, captions.copyright);
  if (captions.noticeGroup) {
    for (HWND control : about.contactGroup) ::ShowWindow(control, SW_HIDE);
    for (HWND control : about.noticeGroup) ::ShowWindow(control, SW_SHOW);
  }
}

void FormPaint(AboutWindow& about, HDC dc) {
  RECT bevel{8, 8, 8 + 313, 8 + 105};
  ::DrawEdge(dc, &bevel, BDR_RAISEDINNER, BF_RECT);
  if (about.icon != nullptr) ::DrawIconEx(dc, 24, 24, about.icon, 32, 32, 0, nullptr, DI_NORMAL);
}

void Label4Click(AboutWindow& about) {
  win32ui::FixedTextBox(about.window, MailWarningText(), MailWarningCaption(), MB_OK | MB_ICONWARNING);
  win32ui::OpenLink("mailto:" + std::string(SupportMailAddress));
}

LRESULT CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* about = static_cast<AboutWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    about->window = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(about));
  }
  auto* about = reinterpret_cast<AboutWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (about == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      CreateControls(*about);
      return 0;
    case WM_ERASEBKGND: {
      const LRESULT erased = ::DefWindowProcA(window, message, wParam, lParam);
      FormPaint(*about, reinterpret_cast<HDC>(wParam));
      return erased;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if ((id == IDC_CMDOK || id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
        ::DestroyWindow(window);
      } else if ((id == IDC_ABOUT_LABEL1 || id == IDC_ABOUT_LABEL7) && code == STN_CLICKED) {
        win32ui::OpenLink(WebSiteAddress);
      } else if (id == IDC_ABOUT_LABEL2 && code == STN_CLICKED) {
        win32ui::OpenLink(UsersSiteAddress);
      } else if (id == IDC_ABOUT_LABEL4 && code == STN_CLICKED) {
        win32ui::Guarded(window, [about] { Label4Click(*about); });
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDC_CMDOK, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      return win32ui::LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (win32ui::SetLinkCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      about->closed = true;
      for (HFONT font : {about->font, about->bold, about->link}) ::DeleteObject(font);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void TfrmAbout::ShowModal(HWND owner) {
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
  const RECT rect = win32ui::CentredWindowRect(329, 257, kStyle, kExStyle);
  const AnsiText caption = Cp932FromUtf8("バージョン情報");
  ::CreateWindowExA(kExStyle, kClassName, caption.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, owner, nullptr, instance, &about);
  if (about.window == nullptr) return;
  // A failure while filling the captions is shown; the box opens all the same.
  win32ui::Guarded(owner, [&about] { FormShow(about); });
  ::EnableWindow(owner, FALSE);
  ::ShowWindow(about.window, SW_SHOW);
  ::SetFocus(about.cmdOK);
  MSG message;
  while (!about.closed && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageA(about.window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  ::EnableWindow(owner, TRUE);
  ::SetActiveWindow(owner);
  if (!about.closed) {
    // The quit message ended the loop: the main loop must see it too.
    ::DestroyWindow(about.window);
    ::PostQuitMessage(0);
  }
}
