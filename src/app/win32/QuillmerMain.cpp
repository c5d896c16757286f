#include "app/win32/QuillmerMain.h"

#include <optional>

#include "app/memo_text.h"
#include "app/path_choice.h"
#include "app/settings.h"
#include "app/win32/About.h"
#include "app/win32/path_boxes.h"
#include "app/win32/preview_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "platform/code_page.h"
#include "text/date_time_text.h"

using platform::Cp932FromUtf8;

namespace {

constexpr const char* kClassName = "TForm1";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

TForm1* TForm1::Create(int showCommand, const std::string& file) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLMER));
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);

  auto* form = new TForm1();
  const RECT rect = win32ui::CentredWindowRect(445, 436, kStyle, 0);
  const AnsiText title = ApplicationTitle();
  ::CreateWindowExA(0, kClassName, title.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, nullptr, nullptr, instance, form);
  if (form->window_ == nullptr) {
    delete form;
    return nullptr;
  }
  win32ui::Guarded(form->window_, [form] { form->FormCreate(); });
  win32ui::Guarded(form->window_, [form, &file] { TakeFileArgument(*form, file); });
  ::ShowWindow(form->window_, showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE
                                  ? showCommand
                                  : SW_SHOWNORMAL);
  ::SetFocus(form->Button1_);
  return form;
}

void TForm1::CreateControls() {
  using win32ui::Label;
  using win32ui::Place;
  font_ = win32ui::LayoutFont(Cp932FromUtf8("ＭＳ Ｐゴシック"));
  linkFont_ = win32ui::LayoutFont(Cp932FromUtf8("ＭＳ Ｐゴシック"), false, true);
  const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
  const DWORD memo = WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL |
                     WS_VSCROLL;
  // Created in Tab order; the group boxes' children sit beside them in the
  // window, at the group's offset (8, 8) or (8, 144).
  Button1_ = Place(window_, "BUTTON", Cp932FromUtf8("変換と出力"), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0,
                   IDC_BUTTON1, 8 + 304, 8 + 80, 105, 25, font_);
  Edit1_ = Place(window_, "EDIT", "", edit, WS_EX_CLIENTEDGE, IDC_EDIT1, 8 + 112, 8 + 21, 297, 20, font_);
  Edit2_ = Place(window_, "EDIT", "", edit, WS_EX_CLIENTEDGE, IDC_EDIT2, 8 + 112, 8 + 45, 297, 20, font_);
  chkAutoTerminate_ = Place(window_, "BUTTON", Cp932FromUtf8("正常に変換できたら自動で終了"),
                            WS_TABSTOP | BS_AUTOCHECKBOX, 0, IDC_CHKAUTOTERMINATE, 8 + 16, 8 + 88, 201, 17, font_);
  memOption_ = Place(window_, "EDIT", "", memo, WS_EX_CLIENTEDGE, IDC_MEMOPTION, 8 + 16, 144 + 40, 393, 97, font_);
  memFilter_ = Place(window_, "EDIT", "", memo, WS_EX_CLIENTEDGE, IDC_MEMFILTER, 8 + 16, 144 + 168, 393, 81, font_);
  for (HWND box : {memOption_, memFilter_}) ::SendMessageA(box, EM_SETLIMITTEXT, MemoTextLimit, 0);

  Label(window_, Cp932FromUtf8("入力CSVファイル:"), IDC_LABEL2, 8 + 16, 8 + 24, 90, 12, font_);
  Label(window_, Cp932FromUtf8("出力VCSファイル:"), IDC_LABEL3, 8 + 16, 8 + 48, 90, 12, font_);
  Label(window_, Cp932FromUtf8("専用オプション(全て自動的に各要素に含まれます)"), IDC_LABEL1, 8 + 15, 144 + 21, 258,
        12, font_);
  Label(window_, Cp932FromUtf8("フィルタ(次の文字が含まれているアイテムはコンバートされません)"), IDC_LABEL4,
        8 + 15, 144 + 149, 338, 12, font_);
  Label5_ = Label(window_, Cp932FromUtf8("バージョン情報..."), IDC_LABEL5, 352, 418, 83, 12, linkFont_);
  win32ui::MakeLink(Label5_);
  lblPreview_ = Label(window_, Cp932FromUtf8("内容の確認..."), IDC_PREVIEW_LINK, 8, 418, 70, 12, linkFont_);
  win32ui::MakeLink(lblPreview_);
  Place(window_, "BUTTON", Cp932FromUtf8("入出力設定"), BS_GROUPBOX, 0, IDC_GROUPBOX1, 8, 8, 425, 121, font_);
  Place(window_, "BUTTON", Cp932FromUtf8("変換オプション"), BS_GROUPBOX, 0, IDC_GROUPBOX2, 8, 144, 425, 265, font_);

  // The desktop's ways of naming a file: drop it from Explorer, double-click
  // a path box or use its context menu; the whole path shows as its tooltip.
  ::DragAcceptFiles(window_, TRUE);
  pathTips_ = win32ui::CreatePathTips(window_, {Edit1_, Edit2_});
  for (PathEdit box : {PathEdit::Input, PathEdit::Output}) {
    win32ui::MakePathBox(PathBox(box), [this, box] { win32ui::Guarded(window_, [this, box] { BrowseForPath(box); }); });
  }
}

void TForm1::FormCreate() {
  HWND owner = window_;
  unloadedSideFiles_ = LoadFormSettings(*this, SettingsProgramPath(), [owner](const QuillmerError& error) {
    win32ui::ShowErrorBox(owner, error);
  });
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  SaveFormSettings(*this, SettingsProgramPath(), unloadedSideFiles_);
}

void TForm1::Button1Click() {
  const ConversionResult result = [this] {
    const win32ui::WaitCursor waiting;
    return ConversionRun(BuildConversionRequest(*this));
  }();
  win32ui::FixedTextBox(window_, result.CompletionMessage, CompletionCaption(), MB_OK | MB_ICONINFORMATION);
  if (AutoTerminate()) ::DestroyWindow(window_);
}

void TForm1::Label5Click() { TfrmAbout::ShowModal(window_); }

void TForm1::BrowseForPath(PathEdit edit) {
  if (const std::optional<std::string> chosen = win32ui::ChooseFile(window_, ChoiceForPathEdit(*this, edit)))
    SetEditText(edit, *chosen);
}

void TForm1::FilesDropped(HDROP drop) {
  const UINT length = ::DragQueryFileA(drop, 0, nullptr, 0);
  if (length == 0) return;
  std::string file(length + 1, '\0');
  file.resize(::DragQueryFileA(drop, 0, file.data(), length + 1));
  POINT point{};
  ::DragQueryPoint(drop, &point);
  RECT output{};
  ::GetWindowRect(Edit2_, &output);
  ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&output), 2);
  SetEditText(::PtInRect(&output, point) ? PathEdit::Output : PathEdit::Input, file);
}
void TForm1::PreviewClick() { PreviewWindow::ShowModal(window_, BuildConversionRequest(*this)); }

AnsiText TForm1::MemoText(Memo memo) const {
  return KeepLoadedBytes(loadedText_[memo == Memo::Option ? 0 : 1], win32ui::BoxText(MemoBox(memo)));
}

void TForm1::SetMemoText(Memo memo, const AnsiText& text) {
  if (text.size() > MemoTextLimit) throw PlainError(MemoLimitMessage());
  win32ui::SetBoxText(MemoBox(memo), text);
  loadedText_[memo == Memo::Option ? 0 : 1] = text;
}

std::string TForm1::EditText(PathEdit edit) const {
  return win32ui::WindowText(edit == PathEdit::Input ? Edit1_ : Edit2_);
}

void TForm1::SetEditText(PathEdit edit, const std::string& path) {
  ::SetWindowTextA(edit == PathEdit::Input ? Edit1_ : Edit2_, path.c_str());
}

bool TForm1::AutoTerminate() const { return ::SendMessageA(chkAutoTerminate_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetAutoTerminate(bool ticked) {
  ::SendMessageA(chkAutoTerminate_, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    form->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return form->Dispatch(message, wParam, lParam);
}

LRESULT TForm1::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // IDOK is what the dialog manager sends for Enter outside the memos.
      if ((id == IDC_BUTTON1 || id == IDOK) && code == BN_CLICKED) {
        win32ui::Guarded(window_, [this] { Button1Click(); });
      } else if (id == IDC_LABEL5 && code == STN_CLICKED) {
        win32ui::Guarded(window_, [this] { Label5Click(); });
      } else if ((id == IDC_EDIT1 || id == IDC_EDIT2) && code == EN_CHANGE) {
        HWND box = reinterpret_cast<HWND>(lParam);
        win32ui::ShowWholePath(pathTips_, box, win32ui::WindowText(box));
      } else if (id == IDC_PREVIEW_LINK && code == STN_CLICKED) {
        win32ui::Guarded(window_, [this] { PreviewClick(); });
      }
      return 0;
    }
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      win32ui::Guarded(window_, [this, drop] { FilesDropped(drop); });
      ::DragFinish(drop);
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDC_BUTTON1, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == Edit1_ || reinterpret_cast<HWND>(lParam) == Edit2_) break;
      return win32ui::LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (win32ui::SetLinkCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_SETTINGCHANGE:
      // The user changed the regional settings while the program runs.
      win32ui::Guarded(window_, [] { LoadDateTextSettings(); });
      break;
    case WM_CLOSE:
      ::DestroyWindow(window_);
      return 0;
    case WM_ENDSESSION:
      // Log-off or shutdown: the settings are saved before the process ends.
      if (wParam != 0) win32ui::Guarded(nullptr, [this] { FormDestroy(); });
      return 0;
    case WM_DESTROY:
      ::ShowWindow(window_, SW_HIDE);
      win32ui::Guarded(nullptr, [this] { FormDestroy(); });
      ::DeleteObject(font_);
      ::DeleteObject(linkFont_);
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}
