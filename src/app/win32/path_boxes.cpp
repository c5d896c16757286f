#include "app/win32/path_boxes.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "app/window_layout.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace win32ui {
namespace {

constexpr const char* kPathBoxProperty = "QuillmerPathBox";

struct PathBox {
  WNDPROC previous;
  std::function<void()> browse;
};

enum MenuCommand : UINT { kUndo = 1, kCut, kCopy, kPaste, kClear, kSelectAll, kBrowse };

// The edit's own commands, as its standard menu offers them, then 参照....
void ShowPathBoxMenu(HWND edit, LPARAM where, const PathBox& box) {
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  if (at.x == -1 && at.y == -1) {  // from the keyboard: below the box
    RECT rect{};
    ::GetWindowRect(edit, &rect);
    at = POINT{rect.left + 4, rect.bottom};
  }
  ::SetFocus(edit);
  DWORD start = 0, end = 0;
  ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const bool selected = start != end;
  const DWORD length = static_cast<DWORD>(::GetWindowTextLengthA(edit));
  HMENU menu = ::CreatePopupMenu();
  auto item = [menu](UINT command, std::string_view utf8, bool enabled) {
    ::AppendMenuA(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), command,
                  platform::Cp932FromUtf8(utf8).c_str());
  };
  item(kUndo, "元に戻す(&U)", ::SendMessageA(edit, EM_CANUNDO, 0, 0) != 0);
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  item(kCut, "切り取り(&T)", selected);
  item(kCopy, "コピー(&C)", selected);
  item(kPaste, "貼り付け(&P)", ::IsClipboardFormatAvailable(CF_TEXT) != 0);
  item(kClear, "削除(&D)", selected);
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  item(kSelectAll, "すべて選択(&A)", length > 0 && !(start == 0 && end == length));
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  item(kBrowse, BrowseCommand, true);
  const UINT command = static_cast<UINT>(::TrackPopupMenu(
      menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, edit, nullptr));
  ::DestroyMenu(menu);
  switch (command) {
    case kUndo: ::SendMessageA(edit, EM_UNDO, 0, 0); break;
    case kCut: ::SendMessageA(edit, WM_CUT, 0, 0); break;
    case kCopy: ::SendMessageA(edit, WM_COPY, 0, 0); break;
    case kPaste: ::SendMessageA(edit, WM_PASTE, 0, 0); break;
    case kClear: ::SendMessageA(edit, WM_CLEAR, 0, 0); break;
    case kSelectAll: ::SendMessageA(edit, EM_SETSEL, 0, -1); break;
    case kBrowse: box.browse(); break;
    default: break;
  }
}

LRESULT CALLBACK PathBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = static_cast<PathBox*>(::GetPropA(edit, kPathBoxProperty));
  const WNDPROC previous = box->previous;
  switch (message) {
    case WM_LBUTTONDBLCLK:
      box->browse();
      return 0;
    case WM_CONTEXTMENU:
      ShowPathBoxMenu(edit, lParam, *box);
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      ::RemovePropA(edit, kPathBoxProperty);
      delete box;
      break;
    default:
      break;
  }
  return ::CallWindowProcA(previous, edit, message, wParam, lParam);
}

// The dialog once; false with no error code when the user cancelled.
bool RunDialog(OPENFILENAMEA& dialog, bool save) {
  return (save ? ::GetSaveFileNameA(&dialog) : ::GetOpenFileNameA(&dialog)) != FALSE;
}

}  // namespace

std::optional<std::string> ChooseFile(HWND owner, const PathChoice& choice) {
  std::string filters;
  for (const FileFilter& filter : choice.filters) {
    filters += filter.name;
    filters += '\0';
    filters += filter.pattern;
    filters += '\0';
  }
  filters += '\0';
  const std::string extension =
      choice.filter < choice.filters.size() ? choice.filters[choice.filter].extension : std::string();
  const std::string defaultExtension = extension.empty() ? std::string() : extension.substr(1);
  // A dialog given a folder-less name opens wherever it was used last.
  const std::string start = platform::FullPath(choice.startPath);
  std::vector<char> file(32768, '\0');
  start.copy(file.data(), std::min(start.size(), file.size() - 1));

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(choice.filter + 1);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = choice.caption.c_str();
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (choice.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  if (!RunDialog(dialog, choice.save)) {
    // A start in a folder that is gone is refused before the dialog shows:
    // open it without one.
    if (::CommDlgExtendedError() == 0 || start.empty()) return std::nullopt;
    std::fill(file.begin(), file.end(), '\0');
    if (!RunDialog(dialog, choice.save)) return std::nullopt;
  }
  return ChosenPath(choice, file.data(), dialog.nFilterIndex > 0 ? dialog.nFilterIndex - 1 : choice.filter);
}

void MakePathBox(HWND edit, std::function<void()> browse) {
  auto* box = new PathBox{nullptr, std::move(browse)};
  ::SetPropA(edit, kPathBoxProperty, box);
  box->previous =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PathBoxProc)));
}

HWND CreatePathTips(HWND owner, std::initializer_list<HWND> boxes) {
  HWND tips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
  for (HWND box : boxes) {
    TTTOOLINFOA tool{};
    // The size every version of the common controls takes.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(box);
    tool.lpszText = const_cast<char*>("");
    ::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return tips;
}

void ShowWholePath(HWND tips, HWND box, const AnsiText& path) {
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = ::GetParent(box);
  tool.uId = reinterpret_cast<UINT_PTR>(box);
  tool.lpszText = const_cast<char*>(path.c_str());
  ::SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace win32ui
