#include "app/win32/layout_controls.h"

#include <algorithm>
#include <vector>

#include "app/memo_text.h"
#include "app/win32/resource_ids.h"
#include "app/win32/ui.h"
#include "platform/code_page.h"

namespace win32ui {
namespace {

struct PlacedRect {
  int left, top, width, height;
};

PlacedRect At(const WindowLayout& layout, const ControlLayout& row, int dpi) {
  const LayoutRect place = WindowRect(layout, row);
  const RECT r = ScaledRect(place.left, place.top, place.width, place.height, dpi);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool IsLabel(ControlKind kind) {
  return kind == ControlKind::Label || kind == ControlKind::BoldLabel || kind == ControlKind::WrappedLabel ||
         kind == ControlKind::Link || kind == ControlKind::MailLink;
}

HWND CreateControl(HWND window, const WindowLayout& layout, const ControlLayout& row, const LayoutFonts& fonts,
                   int dpi) {
  const PlacedRect r = At(layout, row, dpi);
  const AnsiText caption = LayoutText(row.caption);
  const HFONT font = fonts.For(row.kind);
  switch (row.kind) {
    case ControlKind::GroupBox:
      return Place(window, "BUTTON", caption, BS_GROUPBOX, 0, row.id, r.left, r.top, r.width, r.height, font);
    case ControlKind::DefaultButton:
      return Place(window, "BUTTON", caption, WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, row.id, r.left, r.top,
                   r.width, r.height, font);
    case ControlKind::Edit:
      return Place(window, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, row.id, r.left, r.top, r.width,
                   r.height, font);
    case ControlKind::Memo: {
      const DWORD style = WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL |
                          WS_VSCROLL;
      HWND memo = Place(window, "EDIT", "", style, WS_EX_CLIENTEDGE, row.id, r.left, r.top, r.width, r.height, font);
      ::SendMessageA(memo, EM_SETLIMITTEXT, MemoTextLimit, 0);
      return memo;
    }
    case ControlKind::CheckBox:
      return Place(window, "BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, 0, row.id, r.left, r.top, r.width,
                   r.height, font);
    case ControlKind::Label:
    case ControlKind::BoldLabel:
    case ControlKind::WrappedLabel:
      return Label(window, caption, row.id, r.left, r.top, r.width, r.height, font,
                   row.kind == ControlKind::WrappedLabel);
    case ControlKind::Link:
    case ControlKind::MailLink: {
      HWND link = Label(window, caption, row.id, r.left, r.top, r.width, r.height, font);
      MakeLink(link);
      return link;
    }
    case ControlKind::ContactImage:
    case ControlKind::NoticeImage: {
      HWND image = Place(window, "STATIC", "", SS_ICON | SS_NOTIFY, 0, row.id, r.left, r.top, r.width, r.height, font);
      const int icon = row.kind == ControlKind::ContactImage ? IDI_CONTACT : IDI_NOTICE;
      ::SendMessageA(image, STM_SETICON,
                     reinterpret_cast<WPARAM>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon))), 0);
      return image;
    }
    case ControlKind::Frame:
      break;
  }
  return nullptr;
}

}  // namespace

AnsiText LayoutText(std::string_view text) {
  AnsiText shown = platform::Cp932FromUtf8(text);
  for (std::size_t at = shown.find('\n'); at != AnsiText::npos; at = shown.find('\n', at + 2)) shown.insert(at, 1, '\r');
  return shown;
}

LayoutFonts::LayoutFonts(const WindowLayout& layout, int dpi)
    : plain_(LayoutFont(LayoutText(layout.face), dpi)),
      bold_(LayoutFont(LayoutText(LayoutFace), dpi, true)),
      link_(LayoutFont(LayoutText(LayoutFace), dpi, false, true)) {}

LayoutFonts::~LayoutFonts() {
  for (HFONT font : {plain_, bold_, link_}) ::DeleteObject(font);
}

HFONT LayoutFonts::For(ControlKind kind) const {
  if (kind == ControlKind::BoldLabel) return bold_;
  if (kind == ControlKind::Link || kind == ControlKind::MailLink) return link_;
  return plain_;
}

LayoutControls CreateLayoutControls(HWND window, const WindowLayout& layout, const LayoutFonts& fonts, int dpi) {
  // Each control is placed beneath those before it, so the creation order is
  // both the Tab order and the order from top to bottom.
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& row : layout.controls) order.push_back(&row);
  const auto rank = [](const ControlLayout* row) {
    return row->tab > 0 ? row->tab : row->kind == ControlKind::GroupBox ? 2000 : 1000;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&rank](const ControlLayout* a, const ControlLayout* b) { return rank(a) < rank(b); });
  LayoutControls controls;
  for (const ControlLayout* row : order) {
    if (HWND control = CreateControl(window, layout, *row, fonts, dpi)) controls.emplace(row->name, control);
  }
  return controls;
}

void RelayoutControls(const LayoutControls& controls, const WindowLayout& layout, const LayoutFonts& fonts, int dpi) {
  for (const ControlLayout& row : layout.controls) {
    const auto control = controls.find(row.name);
    if (control == controls.end()) continue;
    const PlacedRect r = At(layout, row, dpi);
    Relayout(control->second, RECT{r.left, r.top, r.left + r.width, r.top + r.height}, fonts.For(row.kind),
             IsLabel(row.kind), row.kind == ControlKind::WrappedLabel);
  }
}

RECT FrameRect(const WindowLayout& layout, const ControlLayout& frame, int dpi) {
  const PlacedRect r = At(layout, frame, dpi);
  return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
}

}  // namespace win32ui
