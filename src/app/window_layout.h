#pragma once
// The three windows as data: every control's name, kind, place and texts, so
// that the Qt and the Win32 windows only create and bind what is listed here.
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
  Frame,         // a raised panel drawn over the window
  Button,        // a push button that is not the default one
  ComboBox,      // a list to choose one item from, dropped down below its box
  Note,          // plain text of one or more lines, the layout's size kept
  ReadOnlyMemo,  // lines to read and select, scrolled both ways
  RecordList,    // the rows of a table under column titles
};

// The controls by their identifiers: the Win32 control's identifier, the key
// each face finds a control by. A name that is not listed does not compile.
namespace MainControl {
inline constexpr int ConvertButton = 101;
inline constexpr int InputEdit = 102;
inline constexpr int OutputEdit = 103;
inline constexpr int AutoTerminateBox = 104;
inline constexpr int OptionMemo = 105;
inline constexpr int FilterMemo = 106;
inline constexpr int AboutLink = 107;
inline constexpr int PreviewLink = 108;
inline constexpr int PathGroup = 110;
inline constexpr int OptionGroup = 111;
inline constexpr int OptionLabel = 112;
inline constexpr int InputLabel = 113;
inline constexpr int OutputLabel = 114;
inline constexpr int FilterLabel = 115;
}  // namespace MainControl

namespace AboutControl {
inline constexpr int Frame = 0;  // painted by the window, no control
inline constexpr int OkButton = 201;
inline constexpr int ProductName = 202;
inline constexpr int Version = 203;
inline constexpr int Copyright = 204;
// The two groups share one place: the contact links, or the notice of a
// build without support (hidden until the version says so).
inline constexpr int ContactGroup = 205;
inline constexpr int NoticeGroup = 206;
inline constexpr int WebSiteLink = 207;
inline constexpr int UsersSiteLink = 208;
inline constexpr int MailLink = 209;
inline constexpr int MailLabel = 210;
inline constexpr int WebSiteLabel = 211;
inline constexpr int NoticeWebSiteLink = 212;
inline constexpr int NoticeText = 213;
inline constexpr int NoticeWebSiteLabel = 214;
inline constexpr int ContactImage = 215;
inline constexpr int NoticeImage = 216;
}  // namespace AboutControl

namespace PreviewControl {
inline constexpr int Summary = 301;
inline constexpr int List = 302;
inline constexpr int Zone = 303;
inline constexpr int ZoneNote = 304;
inline constexpr int Comparison = 305;
inline constexpr int ZoneLabel = 306;
// The dialog manager's identifier for cancelling, so that Escape closes.
inline constexpr int Close = 2;
}  // namespace PreviewControl

struct LayoutRect {
  int left, top, width, height;
};

struct ControlLayout {
  std::string_view name;  // the layout's own name; the Qt object's name
  int id;                 // one of the constants above; the GUI test finds the control by it
  ControlKind kind;
  int parent;               // a group box's identifier, or 0 for the window
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

const WindowLayout& MainWindowLayout();
const WindowLayout& AboutBoxLayout();
// The preview "内容の確認": the zone's row, the summary beside the comparison
// with the last output, the record list and the close button.
const WindowLayout& PreviewLayout();

// The row of the control id; nullptr for none (and for 0, a frame's).
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
