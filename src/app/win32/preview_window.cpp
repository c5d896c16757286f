#include "app/win32/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/preview_model.h"
#include "app/win32/layout_controls.h"
#include "app/win32/ui.h"

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
// How often the window takes what was read: often enough to look immediate.
constexpr UINT kTakeEveryMs = 30;
constexpr UINT_PTR kTimer = 1;
// Escape and the close button both send the dialog manager's cancel.
static_assert(PreviewControl::Close == IDCANCEL);

struct Preview {
  std::unique_ptr<PreviewModel> model;
  std::function<void(std::shared_ptr<const TimeZone>)> keepZone;
  HWND window = nullptr, zone = nullptr, zoneNote = nullptr, summary = nullptr, comparison = nullptr, list = nullptr;
  win32ui::LayoutControls controls;
  std::unique_ptr<win32ui::LayoutFonts> fonts;
  std::u16string comparisonShown;
  int dpi = win32ui::kLayoutDpi;
  std::size_t shown = 0;
  bool errorShown = false;
  bool closed = false;
};

// The columns' widths at the window's density; the date columns as wide as a
// date and time in the list's font.
void ColumnWidths(const Preview& preview, int (&widths)[kPreviewColumnCount]) {
  HDC dc = ::GetDC(preview.list);
  const HGDIOBJ previous = ::SelectObject(dc, preview.fonts->Plain());
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, L"2008/01/15 10:00", 16, &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(preview.list, dc);
  const int when = static_cast<int>(extent.cx) + win32ui::Scaled(14, preview.dpi);
  const int kWidths[kPreviewColumnCount] = {44, 44, 130, 130, 0, 0, 100, 0};
  for (int column = 0; column < kPreviewColumnCount; ++column)
    widths[column] = kWidths[column] == 0 ? when : win32ui::Scaled(kWidths[column], preview.dpi);
}

void CreateControls(Preview& preview) {
  const WindowLayout& layout = PreviewLayout();
  preview.dpi = win32ui::WindowDpi(preview.window);
  preview.fonts = std::make_unique<win32ui::LayoutFonts>(layout, preview.dpi);
  preview.controls = win32ui::CreateLayoutControls(preview.window, layout, *preview.fonts, preview.dpi);
  preview.zone = preview.controls.at(PreviewControl::Zone);
  preview.zoneNote = preview.controls.at(PreviewControl::ZoneNote);
  preview.summary = preview.controls.at(PreviewControl::Summary);
  preview.comparison = preview.controls.at(PreviewControl::Comparison);
  preview.list = preview.controls.at(PreviewControl::List);
  for (const std::string& name : PreviewModel::ZoneChoices(preview.model->Zone()))
    ::SendMessageA(preview.zone, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageA(preview.zone, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(preview.model->Zone().Name().c_str()));
  int widths[kPreviewColumnCount];
  ColumnWidths(preview, widths);
  for (int column = 0; column < kPreviewColumnCount; ++column) {
    std::wstring title(PreviewModel::ColumnTitle(column).begin(), PreviewModel::ColumnTitle(column).end());
    LVCOLUMNW item{};
    item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    item.fmt = column <= kLineColumn ? LVCFMT_RIGHT : LVCFMT_LEFT;
    item.cx = widths[column];
    item.pszText = title.data();
    ::SendMessageW(preview.list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
  }
}

void DpiChanged(Preview& preview, int dpi, const RECT& suggested) {
  if (dpi != preview.dpi) {
    preview.dpi = dpi;
    auto fonts = std::make_unique<win32ui::LayoutFonts>(PreviewLayout(), dpi);
    win32ui::RelayoutControls(preview.controls, PreviewLayout(), *fonts, dpi);
    preview.fonts = std::move(fonts);  // the old ones only now that no control uses them
    int widths[kPreviewColumnCount];
    ColumnWidths(preview, widths);
    for (int column = 0; column < kPreviewColumnCount; ++column)
      ::SendMessageW(preview.list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), widths[column]);
  }
  ::SetWindowPos(preview.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// Shows the rows read since the last look, and selects the first error once.
void TakeRows(Preview& preview) {
  PreviewModel& model = *preview.model;
  model.Update();
  if (model.RowCount() != preview.shown) {
    preview.shown = model.RowCount();
    ::SendMessageW(preview.list, LVM_SETITEMCOUNT, preview.shown, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  }
  ::SetWindowTextW(preview.summary, Wide(model.Summary()).c_str());
  ::SetWindowTextW(preview.zoneNote, Wide(model.ZoneNote()).c_str());
  if (const std::u16string comparison = model.Comparison(); comparison != preview.comparisonShown) {
    preview.comparisonShown = comparison;
    std::wstring lines;
    for (const char16_t unit : comparison) {
      if (unit == u'\n') lines += L'\r';
      lines += static_cast<wchar_t>(unit);
    }
    ::SetWindowTextW(preview.comparison, lines.c_str());
  }
  if (!preview.errorShown && model.FirstFailedRow()) {
    preview.errorShown = true;
    const int row = static_cast<int>(*model.FirstFailedRow());
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(preview.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(preview.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  if (model.Finished()) ::KillTimer(preview.window, kTimer);
}

// Reads the preview again in the zone chosen in the box, and keeps the zone.
void ChooseZone(Preview& preview) {
  const LRESULT index = ::SendMessageA(preview.zone, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  std::string name(static_cast<std::size_t>(::SendMessageA(preview.zone, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0)), '\0');
  ::SendMessageA(preview.zone, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()));
  std::shared_ptr<const TimeZone> zone = LoadTimeZone(name);
  if (!zone || zone->Name() == preview.model->Zone().Name()) return;
  if (preview.keepZone) preview.keepZone(zone);
  ConversionRequest request = preview.model->Request();
  request.Zone = std::move(zone);
  preview.model->Cancel();
  // The list forgets the old rows before they go.
  preview.shown = 0;
  ::SendMessageW(preview.list, LVM_SETITEMCOUNT, 0, 0);
  preview.model = std::make_unique<PreviewModel>(std::move(request));
  preview.errorShown = false;
  TakeRows(preview);
  if (!preview.model->Finished()) ::SetTimer(preview.window, kTimer, kTakeEveryMs, nullptr);
}

void SelectAll(Preview& preview) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  ::SendMessageW(preview.list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

// The selected rows whole, under the column titles, as Unicode text.
void CopySelected(Preview& preview) {
  std::vector<std::size_t> rows;
  for (LRESULT row = ::SendMessageW(preview.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
       row >= 0;
       row = ::SendMessageW(preview.list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))
    rows.push_back(static_cast<std::size_t>(row));
  const std::u16string text = preview.model->CopiedText(rows);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return;
  auto* units = static_cast<wchar_t*>(::GlobalLock(memory));
  std::copy(text.begin(), text.end(), units);
  units[text.size()] = L'\0';
  ::GlobalUnlock(memory);
  if (!::OpenClipboard(preview.window)) {
    ::GlobalFree(memory);
    return;
  }
  ::EmptyClipboard();
  if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
  ::CloseClipboard();
}

LRESULT ListNotice(Preview& preview, NMHDR& notice) {
  switch (notice.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(notice).item;
      if ((item.mask & LVIF_TEXT) == 0 || item.cchTextMax <= 0) return 0;
      const std::u16string_view cell =
          preview.model->Row(static_cast<std::size_t>(item.iItem)).Cell(item.iSubItem);
      const std::size_t n = std::min(cell.size(), static_cast<std::size_t>(item.cchTextMax - 1));
      std::copy_n(cell.begin(), n, item.pszText);
      item.pszText[n] = L'\0';
      return 0;
    }
    case LVN_KEYDOWN: {
      const WORD key = reinterpret_cast<NMLVKEYDOWN&>(notice).wVKey;
      if ((::GetKeyState(VK_CONTROL) & 0x8000) == 0) return 0;
      if (key == 'A') SelectAll(preview);
      if (key == 'C') CopySelected(preview);
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(notice);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < preview.model->RowCount()) {
        const RecordState state = preview.model->Row(draw.nmcd.dwItemSpec).state;
        if (state == RecordState::Failed) draw.clrText = RGB(0xD0, 0, 0);
        if (state == RecordState::Filtered) draw.clrText = RGB(0x80, 0x80, 0x80);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return 0;
  }
}

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* preview = win32ui::WindowOwner<Preview>(window, message, lParam);
  if (preview == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  preview->window = window;
  switch (message) {
    case WM_CREATE:
      CreateControls(*preview);
      return 0;
    case WM_NOTIFYFORMAT:
      return NFR_UNICODE;
    case WM_NOTIFY: {
      auto* notice = reinterpret_cast<NMHDR*>(lParam);
      if (notice->hwndFrom == preview->list) return ListNotice(*preview, *notice);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTimer) win32ui::Guarded(window, [preview] { TakeRows(*preview); });
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) ::DestroyWindow(window);
      if (LOWORD(wParam) == PreviewControl::Zone && HIWORD(wParam) == CBN_SELCHANGE)
        win32ui::Guarded(window, [preview] { ChooseZone(*preview); });
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDCANCEL, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
      return win32ui::LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DPICHANGED:
      DpiChanged(*preview, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::KillTimer(window, kTimer);
      preview->model->Cancel();
      preview->closed = true;
      preview->fonts.reset();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void PreviewWindow::ShowModal(HWND owner, ConversionRequest request,
                              std::function<void(std::shared_ptr<const TimeZone>)> keepZone) {
  Preview preview;
  preview.model = std::make_unique<PreviewModel>(std::move(request));
  preview.keepZone = std::move(keepZone);
  const WindowLayout& layout = PreviewLayout();
  win32ui::CreateCentredWindow({"TfrmPreview", PreviewProc, kStyle, kExStyle, 0}, win32ui::LayoutText(layout.caption),
                               layout.width, layout.height, owner, &preview);
  if (preview.window == nullptr) return;
  TakeRows(preview);
  if (!preview.model->Finished()) ::SetTimer(preview.window, kTimer, kTakeEveryMs, nullptr);
  win32ui::RunModal(owner, preview.window, preview.list, preview.closed);
}
