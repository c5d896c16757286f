#pragma once
// The shell's window layouts made into Win32 controls.
#include <windows.h>

#include <map>
#include <string_view>

#include "app/window_layout.h"
#include "text/ansi_text.h"

namespace win32ui {

// A text of the layout in code page 932, its line breaks CR LF as the
// controls draw them.
AnsiText LayoutText(std::string_view text);

// The fonts a layout's controls take: the window's face, and the layout face
// bold (for bold labels) and underlined (for links), at a monitor's density.
class LayoutFonts {
 public:
  LayoutFonts(const WindowLayout& layout, int dpi);
  ~LayoutFonts();
  LayoutFonts(const LayoutFonts&) = delete;
  LayoutFonts& operator=(const LayoutFonts&) = delete;
  HFONT Plain() const { return plain_; }
  HFONT For(ControlKind kind) const;

 private:
  HFONT plain_, bold_, link_;
};

// Creates the layout's controls in window, each at its place in the client
// area with its caption and identifier: the Tab stops first in Tab order,
// then the others, the group boxes last so that they lie beneath what they
// frame. A frame is no control: the window paints it. Returns them by name.
// Places and sizes are the layout's scaled to dpi.
using LayoutControls = std::map<std::string_view, HWND>;
LayoutControls CreateLayoutControls(HWND window, const WindowLayout& layout, const LayoutFonts& fonts, int dpi);
// Moves the controls to their places at a new density, in its fonts.
void RelayoutControls(const LayoutControls& controls, const WindowLayout& layout, const LayoutFonts& fonts, int dpi);
// A frame of the layout at dpi, in client coordinates.
RECT FrameRect(const WindowLayout& layout, const ControlLayout& frame, int dpi);

}  // namespace win32ui
