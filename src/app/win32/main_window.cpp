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

constexpr const char* kClassName = "QuillmerMainWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

MainWindow* MainWindow::Create(int showCommand, const std::string& file) {
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

  auto* form = new MainWindow();
  const WindowLayout& layout = MainWindowLayout();
  const RECT rect = win32ui::CentredWindowRect(layout.width, layout.height, kStyle, 0);
  const AnsiText title = ApplicationTitle();
  ::CreateWindowExA(0, kClassName, title.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, nullptr, nullptr, instance, form);
  if (form->window_ == nullptr) {
    delete form;
    return nullptr;
  }
  win32ui::FitToDpi(form->window_, layout.width, layout.height);
  HWND owner = form->window_;
  win32ui::Guarded(owner, [form, owner, &file] {
    form->form_.Create(file, [owner](const QuillmerError& error) { win32ui::ShowErrorBox(owner, error); });
  });
  ::ShowWindow(form->window_, showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE
                                  ? showCommand
                                  : SW_SHOWNORMAL);
  ::SetFocus(form->convertButton_);
  return form;
}

MainWindow::MainWindow() : form_(*this, SettingsProgramPath()) {}

void MainWindow::CreateControls() {
  const WindowLayout& layout = MainWindowLayout();
  dpi_ = win32ui::WindowDpi(window_);
  fonts_ = std::make_unique<win32ui::LayoutFonts>(layout, dpi_);
  // The layout's own ids name the controls.
  controls_ = win32ui::CreateLayoutControls(window_, layout, *fonts_, dpi_);
  const win32ui::LayoutControls& controls = controls_;
  convertButton_ = controls.at("Button1");
  inputBox_ = controls.at("Edit1");
  outputBox_ = controls.at("Edit2");
  autoTerminateBox_ = controls.at("chkAutoTerminate");
  optionMemo_ = controls.at("memOption");
  filterMemo_ = controls.at("memFilter");
  aboutLink_ = controls.at("Label5");
  previewLink_ = controls.at("lblPreview");

  // The desktop's ways of naming a file: drop it from Explorer, double-click
  // a path box or use its context menu; the whole path shows as its tooltip.
  ::DragAcceptFiles(window_, TRUE);
  pathTips_ = win32ui::CreatePathTips(window_, {inputBox_, outputBox_});
  for (PathEdit box : {PathEdit::Input, PathEdit::Output}) {
    win32ui::MakePathBox(PathBox(box), [this, box] { win32ui::Guarded(window_, [this, box] { BrowseForPath(box); }); });
  }
}

void MainWindow::DpiChanged(int dpi, const RECT& suggested) {
  if (dpi != dpi_) {
    dpi_ = dpi;
    auto fonts = std::make_unique<win32ui::LayoutFonts>(MainWindowLayout(), dpi_);
    win32ui::RelayoutControls(controls_, MainWindowLayout(), *fonts, dpi_);
    fonts_ = std::move(fonts);  // the old ones only now that no control uses them
  }
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Convert() {
  const ConversionResult result = [this] {
    const win32ui::WaitCursor waiting;
    return ConversionRun(form_.Request());
  }();
  const ConvertOutcome outcome = form_.Converted(result);
  win32ui::FixedTextBox(window_, outcome.box.text, outcome.box.caption, MB_OK | MB_ICONINFORMATION);
  if (outcome.quit) ::DestroyWindow(window_);
}

void MainWindow::ShowAboutBox() { AboutBox::ShowModal(window_); }

void MainWindow::BrowseForPath(PathEdit edit) {
  if (const std::optional<std::string> chosen = win32ui::ChooseFile(window_, ChoiceForPathEdit(form_, edit)))
    form_.SetEditText(edit, *chosen);
}

void MainWindow::FilesDropped(HDROP drop) {
  const UINT length = ::DragQueryFileA(drop, 0, nullptr, 0);
  if (length == 0) return;
  std::string file(length + 1, '\0');
  file.resize(::DragQueryFileA(drop, 0, file.data(), length + 1));
  POINT point{};
  ::DragQueryPoint(drop, &point);
  RECT output{};
  ::GetWindowRect(outputBox_, &output);
  ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&output), 2);
  form_.SetEditText(::PtInRect(&output, point) ? PathEdit::Output : PathEdit::Input, file);
}

void MainWindow::ShowPreview() {
  PreviewWindow::ShowModal(window_, form_.Request(),
                           [this](std::shared_ptr<const TimeZone> zone) { form_.UseZone(std::move(zone)); });
}

AnsiText MainWindow::MemoText(Memo memo) const { return win32ui::BoxText(MemoBox(memo)); }

void MainWindow::SetMemoText(Memo memo, const AnsiText& text) { win32ui::SetBoxText(MemoBox(memo), text); }

std::string MainWindow::EditText(PathEdit edit) const { return win32ui::WindowText(PathBox(edit)); }

void MainWindow::SetEditText(PathEdit edit, const std::string& path) { ::SetWindowTextA(PathBox(edit), path.c_str()); }

bool MainWindow::AutoTerminate() const { return ::SendMessageA(autoTerminateBox_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void MainWindow::SetAutoTerminate(bool ticked) {
  ::SendMessageA(autoTerminateBox_, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = win32ui::WindowOwner<MainWindow>(window, message, lParam);
  if (form == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  form->window_ = window;
  return form->Dispatch(message, wParam, lParam);
}

LRESULT MainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // IDOK is what the dialog manager sends for Enter outside the memos.
      HWND control = reinterpret_cast<HWND>(lParam);
      if (((control != nullptr && control == convertButton_) || id == IDOK) && code == BN_CLICKED) {
        win32ui::Guarded(window_, [this] { Convert(); });
      } else if (control != nullptr && control == aboutLink_ && code == STN_CLICKED) {
        win32ui::Guarded(window_, [this] { ShowAboutBox(); });
      } else if (control != nullptr && (control == inputBox_ || control == outputBox_) && code == EN_CHANGE) {
        win32ui::ShowWholePath(pathTips_, control, win32ui::WindowText(control));
      } else if (control != nullptr && control == previewLink_ && code == STN_CLICKED) {
        win32ui::Guarded(window_, [this] { ShowPreview(); });
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
      return MAKELRESULT(::GetDlgCtrlID(convertButton_), DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == inputBox_ || reinterpret_cast<HWND>(lParam) == outputBox_) break;
      return win32ui::LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (win32ui::SetLinkCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_DPICHANGED:
      DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
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
