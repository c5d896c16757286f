#pragma once
// The two windows as data: every control's name, kind, place and texts, so
// that the Qt and the Win32 window only create and bind what is listed here.
// Texts are UTF-8; a face converts them to what its toolkit takes.
#include <span>
#include <string>
#include <string_view>

#include "text/ansi_text.h"

enum class ControlKind {
  GroupBox,
  DefaultButton,
  Edit,
  Memo,
  CheckBox,
  Label,         // one line, widened to its text
  BoldLabel,     // the same, bold, in the layout face
  WrappedLabel,  // lines broken at "\n", the layout's size kept
  Link,          // a label in blue, underlined, in the layout face; clicks act
  MailLink,      // a link that warns first, then writes a mail to its target
  ContactImage,
  NoticeImage,
  Frame,  // a raised panel drawn over the window
};

struct LayoutRect {
  int left, top, width, height;
};

struct ControlLayout {
  std::string_view name;  // the layout's own name; the Qt object's name
  int id;                 // the Win32 control's identifier; the GUI test finds it by it
  ControlKind kind;
  std::string_view parent;  // a group box's name, or empty for the window
  LayoutRect rect;          // within the parent
  int tab;                  // place in the Tab order, 0 for none
  std::string_view caption;
  std::string_view tooltip;
  std::string_view link;  // what a link opens: an address, or a mail address
};

struct WindowLayout {
  std::string_view name;
  std::string_view caption;
  int width, height;      // the client area, fixed
  std::string_view face;  // the font of its controls, 12 pixels high
  std::span<const ControlLayout> controls;
};

// The face of the main window, and of links and bold labels everywhere.
inline constexpr std::string_view LayoutFace = "ＭＳ Ｐゴシック";
// The context-menu command of a path box that opens the file chooser.
inline constexpr std::string_view BrowseCommand = "参照...";
// The preview window's caption and the caption of its one button.
inline constexpr std::string_view PreviewCaption = "内容の確認";
inline constexpr std::string_view PreviewCloseCaption = "閉じる";

const WindowLayout& MainWindowLayout();
const WindowLayout& AboutBoxLayout();

// The about box's two groups share one place: the contact links, or the
// notice of a build without support (hidden until the version says so).
inline constexpr std::string_view ContactGroup = "GroupBox1";
inline constexpr std::string_view NoticeGroup = "GroupBox2";

// The row of the control named name, or of the control id; nullptr for none.
const ControlLayout* FindControl(const WindowLayout& window, std::string_view name);
const ControlLayout* FindControl(const WindowLayout& window, int id);
// Where a control sits in the window's client area: its parent's offset added.
LayoutRect WindowRect(const WindowLayout& window, const ControlLayout& control);

enum class BoxIcon { Information, Warning };

// A message box of the program's own texts (code page 932).
struct BoxText {
  AnsiText caption;
  AnsiText text;
  BoxIcon icon;
};

// A click on a link of the about box: a mail link warns first, then the
// address is opened.
struct LinkClick {
  bool warnFirst;
  BoxText warning;
  std::string address;
};
LinkClick ClickOnLink(const ControlLayout& link);
