#include "app/win32/main_window.h"

#include <optional>

#include "app/path_choice.h"
#include "app/settings.h"
#include "app/win32/about_box.h"
#include "app/win32/path_boxes.h"
#include "app/win32/preview_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "text/date_time_text.h"

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
  const WindowLayout& layout = MainWindowLayout();
  const RECT rect = win32ui::CentredWindowRect(layout.width, layout.height, kStyle, 0);
  const AnsiText title = ApplicationTitle();
  ::CreateWindowExA(0, kClassName, title.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, nullptr, nullptr, instance, form);
  if (form->window_ == nullptr) {
    delete form;
    return nullptr;
  }
  HWND owner = form->window_;
  win32ui::Guarded(owner, [form, owner, &file] {
    form->form_.Create(file, [owner](const QuillmerError& error) { win32ui::ShowErrorBox(owner, error); });
  });
  ::ShowWindow(form->window_, showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE
                                  ? showCommand
                                  : SW_SHOWNORMAL);
  ::SetFocus(form->Button1_);
  return form;
}

TForm1::TForm1() : form_(*this, SettingsProgramPath()) {}

void TForm1::CreateControls() {
  const WindowLayout& layout = MainWindowLayout();
  fonts_ = std::make_unique<win32ui::LayoutFonts>(layout);
  const std::map<std::string_view, HWND> controls = win32ui::CreateLayoutControls(window_, layout, *fonts_);
  Button1_ = controls.at("Button1");
  Edit1_ = controls.at("Edit1");
  Edit2_ = controls.at("Edit2");
  chkAutoTerminate_ = controls.at("chkAutoTerminate");
  memOption_ = controls.at("memOption");
  memFilter_ = controls.at("memFilter");
  Label5_ = controls.at("Label5");
  lblPreview_ = controls.at("lblPreview");

  // The desktop's ways of naming a file: drop it from Explorer, double-click
  // a path box or use its context menu; the whole path shows as its tooltip.
  ::DragAcceptFiles(window_, TRUE);
  pathTips_ = win32ui::CreatePathTips(window_, {Edit1_, Edit2_});
  for (PathEdit box : {PathEdit::Input, PathEdit::Output}) {
    win32ui::MakePathBox(PathBox(box), [this, box] { win32ui::Guarded(window_, [this, box] { BrowseForPath(box); }); });
  }
}

void TForm1::Button1Click() {
  const ConversionResult result = [this] {
    const win32ui::WaitCursor waiting;
    return ConversionRun(form_.Request());
  }();
  const ConvertOutcome outcome = form_.Converted(result);
  win32ui::FixedTextBox(window_, outcome.box.text, outcome.box.caption, MB_OK | MB_ICONINFORMATION);
  if (outcome.quit) ::DestroyWindow(window_);
}

void TForm1::Label5Click() { TfrmAbout::ShowModal(window_); }

void TForm1::BrowseForPath(PathEdit edit) {
  if (const std::optional<std::string> chosen = win32ui::ChooseFile(window_, ChoiceForPathEdit(form_, edit)))
    form_.SetEditText(edit, *chosen);
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
  form_.SetEditText(::PtInRect(&output, point) ? PathEdit::Output : PathEdit::Input, file);
}

void TForm1::PreviewClick() { PreviewWindow::ShowModal(window_, form_.Request()); }

AnsiText TForm1::MemoText(Memo memo) const { return win32ui::BoxText(MemoBox(memo)); }

void TForm1::SetMemoText(Memo memo, const AnsiText& text) { win32ui::SetBoxText(MemoBox(memo), text); }

std::string TForm1::EditText(PathEdit edit) const { return win32ui::WindowText(PathBox(edit)); }

void TForm1::SetEditText(PathEdit edit, const std::string& path) { ::SetWindowTextA(PathBox(edit), path.c_str()); }

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
      HWND control = reinterpret_cast<HWND>(lParam);
      if (((control != nullptr && control == Button1_) || id == IDOK) && code == BN_CLICKED) {
        win32ui::Guarded(window_, [this] { Button1Click(); });
      } else if (control != nullptr && control == Label5_ && code == STN_CLICKED) {
        win32ui::Guarded(window_, [this] { Label5Click(); });
      } else if (control != nullptr && (control == Edit1_ || control == Edit2_) && code == EN_CHANGE) {
        win32ui::ShowWholePath(pathTips_, control, win32ui::WindowText(control));
      } else if (control != nullptr && control == lblPreview_ && code == STN_CLICKED) {
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
      return MAKELRESULT(::GetDlgCtrlID(Button1_), DC_HASDEFID);
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
      if (wParam != 0) win32ui::Guarded(nullptr, [this] { form_.Destroy(); });
      return 0;
    case WM_DESTROY:
      ::ShowWindow(window_, SW_HIDE);
      win32ui::Guarded(nullptr, [this] { form_.Destroy(); });
      fonts_.reset();
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}
