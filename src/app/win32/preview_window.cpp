#include "app/win32/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/preview_model.h"
#include "app/win32/layout_controls.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "platform/code_page.h"

namespace {

constexpr const char* kClassName = "TfrmPreview";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidth = 760, kClientHeight = 540;
// Below the zone's row: the summary and the comparison side by side.
constexpr int kSummaryTop = 38, kSummaryHeight = 100, kListTop = kSummaryTop + kSummaryHeight + 6;
// How often the window takes what was read: often enough to look immediate.
constexpr UINT kTakeEveryMs = 30;
constexpr UINT_PTR kTimer = 1;

struct Preview {
  std::unique_ptr<PreviewModel> model;
  std::function<void(std::shared_ptr<const TimeZone>)> keepZone;
  HWND window = nullptr, zoneLabel = nullptr, zone = nullptr, zoneNote = nullptr, summary = nullptr, comparison = nullptr,
       list = nullptr, close = nullptr;
  std::u16string comparisonShown;
  HFONT font = nullptr;
  int dpi = win32ui::kLayoutDpi;
  std::size_t shown = 0;
  bool errorShown = false;
  bool closed = false;
};

// Where the controls sit at the window's density; 96 dpi gives the places
// the window was drawn with.
enum class Place { ZoneLabel, Zone, ZoneNote, Summary, Comparison, List, Close };
RECT PlaceRect(Place place, int dpi) {
  const int half = (kClientWidth - 24) / 2;
  switch (place) {
    case Place::ZoneLabel: return win32ui::ScaledRect(8, 12, 92, 20, dpi);
    case Place::Zone: return win32ui::ScaledRect(100, 8, 230, 320, dpi);
    case Place::ZoneNote: return win32ui::ScaledRect(340, 12, kClientWidth - 348, 20, dpi);
    case Place::Summary: return win32ui::ScaledRect(8, kSummaryTop, half, kSummaryHeight, dpi);
    case Place::Comparison: return win32ui::ScaledRect(16 + half, kSummaryTop, half, kSummaryHeight, dpi);
    case Place::List: return win32ui::ScaledRect(8, kListTop, kClientWidth - 16, kClientHeight - kListTop - 42, dpi);
    case Place::Close: break;
  }
  return win32ui::ScaledRect(kClientWidth - 8 - 97, kClientHeight - 34, 97, 26, dpi);
}

HWND PlaceControl(const Preview& preview, Place place, const char* kind, const std::string& text, DWORD style,
                  DWORD exStyle, int id) {
  const RECT r = PlaceRect(place, preview.dpi);
  return win32ui::Place(preview.window, kind, text, style, exStyle, id, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, preview.font);
}

// The columns' widths at the window's density; the date columns as wide as a
// date and time in the list's font.
void ColumnWidths(const Preview& preview, int (&widths)[kPreviewColumnCount]) {
  HDC dc = ::GetDC(preview.list);
  const HGDIOBJ previous = ::SelectObject(dc, preview.font);
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
  HWND w = preview.window;
  preview.dpi = win32ui::WindowDpi(w);
  preview.font = win32ui::LayoutFont(win32ui::LayoutText(LayoutFace), preview.dpi);
  preview.zoneLabel = PlaceControl(preview, Place::ZoneLabel, "STATIC", platform::Cp932FromUtf8("タイムゾーン:"),
                                   SS_LEFT | SS_NOPREFIX, 0, -1);
  preview.zone = PlaceControl(preview, Place::Zone, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0,
                              IDC_PREVIEW_ZONE);
  for (const std::string& name : PreviewModel::ZoneChoices(preview.model->Zone()))
    ::SendMessageA(preview.zone, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageA(preview.zone, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(preview.model->Zone().Name().c_str()));
  preview.zoneNote =
      PlaceControl(preview, Place::ZoneNote, "STATIC", "", SS_LEFT | SS_NOPREFIX, 0, IDC_PREVIEW_ZONE_NOTE);
  preview.summary = PlaceControl(preview, Place::Summary, "STATIC", "", SS_LEFT | SS_NOPREFIX, 0, IDC_PREVIEW_SUMMARY);
  preview.comparison = PlaceControl(
      preview, Place::Comparison, "EDIT", "",
      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
      WS_EX_CLIENTEDGE, IDC_PREVIEW_COMPARISON);
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  const RECT list = PlaceRect(Place::List, preview.dpi);
  preview.list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                       LVS_SHOWSELALWAYS,
                                   list.left, list.top, list.right - list.left, list.bottom - list.top, w,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREVIEW_LIST)), instance, nullptr);
  ::SendMessageW(preview.list, WM_SETFONT, reinterpret_cast<WPARAM>(preview.font), TRUE);
  ::SendMessageW(preview.list, CCM_SETUNICODEFORMAT, TRUE, 0);
  ::SendMessageW(preview.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
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
  preview.close = PlaceControl(preview, Place::Close, "BUTTON", win32ui::LayoutText(PreviewCloseCaption),
                               WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL);
}

void DpiChanged(Preview& preview, int dpi, const RECT& suggested) {
  if (dpi != preview.dpi) {
    preview.dpi = dpi;
    const HFONT old = preview.font;
    preview.font = win32ui::LayoutFont(win32ui::LayoutText(LayoutFace), dpi);
    const std::pair<HWND, Place> controls[] = {
        {preview.zoneLabel, Place::ZoneLabel}, {preview.zone, Place::Zone},       {preview.zoneNote, Place::ZoneNote},
        {preview.summary, Place::Summary},     {preview.comparison, Place::Comparison}, {preview.list, Place::List},
        {preview.close, Place::Close}};
    for (const auto& [control, place] : controls) win32ui::Relayout(control, PlaceRect(place, dpi), preview.font, false);
    ::DeleteObject(old);
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
      if (LOWORD(wParam) == IDC_PREVIEW_ZONE && HIWORD(wParam) == CBN_SELCHANGE)
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
      ::DeleteObject(preview->font);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void PreviewWindow::ShowModal(HWND owner, ConversionRequest request,
                              std::function<void(std::shared_ptr<const TimeZone>)> keepZone) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = PreviewProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);

  Preview preview;
  preview.model = std::make_unique<PreviewModel>(std::move(request));
  preview.keepZone = std::move(keepZone);
  const RECT rect = win32ui::CentredWindowRect(kClientWidth, kClientHeight, kStyle, kExStyle);
  const AnsiText caption = win32ui::LayoutText(PreviewCaption);
  ::CreateWindowExA(kExStyle, kClassName, caption.c_str(), kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, owner, nullptr, instance, &preview);
  if (preview.window == nullptr) return;
  win32ui::FitToDpi(preview.window, kClientWidth, kClientHeight);
  TakeRows(preview);
  if (!preview.model->Finished()) ::SetTimer(preview.window, kTimer, kTakeEveryMs, nullptr);
  win32ui::RunModal(owner, preview.window, preview.list, preview.closed);
}
