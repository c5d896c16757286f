#include "app/window_layout.h"

#include "app/about_text.h"
#include "app/version_info.h"

namespace {

using enum ControlKind;

namespace M = MainControl;
namespace A = AboutControl;
namespace P = PreviewControl;

constexpr ControlLayout kMainControls[] = {
    {"GroupBox1", M::PathGroup, GroupBox, 0, {8, 8, 425, 121}, 0, "入出力設定", "", ""},
    {"Button1", M::ConvertButton, DefaultButton, M::PathGroup, {304, 80, 105, 25}, 1, "変換と出力", "", ""},
    {"Edit1", M::InputEdit, Edit, M::PathGroup, {112, 21, 297, 20}, 2, "", "", ""},
    {"Label2", M::InputLabel, Label, M::PathGroup, {16, 24, 90, 12}, 0, "入力CSVファイル:", "", ""},
    {"Label3", M::OutputLabel, Label, M::PathGroup, {16, 48, 90, 12}, 0, "出力VCSファイル:", "", ""},
    {"Edit2", M::OutputEdit, Edit, M::PathGroup, {112, 45, 297, 20}, 3, "", "", ""},
    {"GroupBox2", M::OptionGroup, GroupBox, 0, {8, 144, 425, 265}, 0, "変換オプション", "", ""},
    {"memOption", M::OptionMemo, Memo, M::OptionGroup, {16, 40, 393, 97}, 5, "", "", ""},
    {"Label1", M::OptionLabel, Label, M::OptionGroup, {15, 21, 258, 12}, 0, "専用オプション(全て自動的に各要素に含まれます)",
     "", ""},
    {"Label4", M::FilterLabel, Label, M::OptionGroup, {15, 149, 338, 12}, 0,
     "フィルタ(次の文字が含まれているアイテムはコンバートされません)", "", ""},
    {"memFilter", M::FilterMemo, Memo, M::OptionGroup, {16, 168, 393, 81}, 6, "", "", ""},
    {"Label5", M::AboutLink, Link, 0, {352, 418, 83, 12}, 0, "バージョン情報...", "", ""},
    {"lblPreview", M::PreviewLink, Link, 0, {8, 418, 70, 12}, 0, "内容の確認...", "", ""},
    {"chkAutoTerminate", M::AutoTerminateBox, CheckBox, M::PathGroup, {16, 88, 201, 17}, 4, "正常に変換できたら自動で終了",
     "", ""},
};

// Filled in when the box shows, from the version information.
constexpr std::string_view kPending = "実行時に取得";
constexpr std::string_view kWebHint = "作者の Web サイトへジャンプ";

constexpr ControlLayout kAboutControls[] = {
    {"cmdOK", A::OkButton, DefaultButton, 0, {112, 224, 97, 26}, 1, "OK", "閉じる", ""},
    {"Copyright", A::Copyright, Label, 0, {72, 72, 69, 12}, 0, kPending, "著作権情報", ""},
    {"Version", A::Version, Label, 0, {72, 44, 69, 12}, 0, kPending, "バージョン情報", ""},
    {"ProductName", A::ProductName, BoldLabel, 0, {70, 24, 77, 12}, 0, kPending, "ソフトウエアの名称", ""},
    {"Bevel1", A::Frame, Frame, 0, {8, 8, 313, 105}, 0, "", "", ""},
    {"GroupBox1", A::ContactGroup, GroupBox, 0, {8, 120, 313, 92}, 0, "連絡先", "", ""},
    {"Label1", A::WebSiteLink, Link, A::ContactGroup, {104, 43, 129, 12}, 0, WebSiteAddress, kWebHint, WebSiteAddress},
    {"Label4", A::MailLink, MailLink, A::ContactGroup, {104, 22, 109, 12}, 0, SupportMailAddress,
     "作者にサポート依頼メールを送信", SupportMailAddress},
    {"Label5", A::MailLabel, Label, A::ContactGroup, {64, 22, 36, 12}, 0, "E-mail:", "", ""},
    {"Label6", A::WebSiteLabel, Label, A::ContactGroup, {64, 44, 24, 12}, 0, "URL:", "", ""},
    {"Image1", A::ContactImage, ContactImage, A::ContactGroup, {16, 33, 32, 32}, 0, "", "Contact me!", ""},
    {"Label2", A::UsersSiteLink, Link, A::ContactGroup, {104, 64, 179, 12}, 0, "USERS' SITE (サポートのお知らせ)",
     "USERS' SITE (サポート専用のサイト)へジャンプ", UsersSiteAddress},
    {"GroupBox2", A::NoticeGroup, GroupBox, 0, {8, 120, 313, 92}, 0, "お知らせ", "", ""},
    {"Label7", A::NoticeWebSiteLink, Link, A::NoticeGroup, {136, 59, 129, 12}, 0, WebSiteAddress, kWebHint,
     WebSiteAddress},
    {"Label9", A::NoticeText, WrappedLabel, A::NoticeGroup, {64, 24, 233, 33}, 0,
     "このソフトウエアはノンサポートソフトウエアです。\n一切のお問い合わせをお断りしております。", "", ""},
    {"Label10", A::NoticeWebSiteLabel, Label, A::NoticeGroup, {64, 60, 60, 12}, 0, "公開元URL:", "", ""},
    {"Image2", A::NoticeImage, NoticeImage, A::NoticeGroup, {16, 33, 32, 32}, 0, "", "Contact me!", ""},
};

// The summary and the comparison side by side below the zone's row, the list
// below them down to the close button. The zone's box is as tall as its list
// dropped down.
constexpr ControlLayout kPreviewControls[] = {
    {"zoneLabel", P::ZoneLabel, Note, 0, {8, 12, 92, 20}, 0, "タイムゾーン:", "", ""},
    {"zoneBox", P::Zone, ComboBox, 0, {100, 8, 230, 320}, 1, "", "", ""},
    {"zoneNote", P::ZoneNote, Note, 0, {340, 12, 412, 20}, 0, "", "", ""},
    {"summaryLabel", P::Summary, Note, 0, {8, 38, 368, 100}, 0, "", "", ""},
    {"comparisonText", P::Comparison, ReadOnlyMemo, 0, {384, 38, 368, 100}, 2, "", "", ""},
    {"rowTable", P::List, RecordList, 0, {8, 144, 744, 354}, 3, "", "", ""},
    {"Close", P::Close, Button, 0, {655, 506, 97, 26}, 4, "閉じる", "", ""},
};

constexpr WindowLayout kMainWindow{
    "Form1", "Kivaro; CSV to vCalendar for iPod series", 445, 436, LayoutFace, kMainControls};
constexpr WindowLayout kAboutBox{"frmAbout", "バージョン情報", 329, 257, "MS UI Gothic", kAboutControls};
constexpr WindowLayout kPreview{"PreviewDialog", "内容の確認", 760, 540, LayoutFace, kPreviewControls};

}  // namespace

const WindowLayout& MainWindowLayout() { return kMainWindow; }

const WindowLayout& AboutBoxLayout() { return kAboutBox; }

const WindowLayout& PreviewLayout() { return kPreview; }

const ControlLayout* FindControl(const WindowLayout& window, int id) {
  for (const ControlLayout& control : window.controls)
    if (control.id == id && id != 0) return &control;
  return nullptr;
}

LayoutRect WindowRect(const WindowLayout& window, const ControlLayout& control) {
  LayoutRect rect = control.rect;
  if (const ControlLayout* parent = FindControl(window, control.parent)) {
    rect.left += parent->rect.left;
    rect.top += parent->rect.top;
  }
  return rect;
}

LinkClick ClickOnLink(const ControlLayout& link) {
  if (link.kind != ControlKind::MailLink) return {false, {}, std::string(link.link)};
  return {true, {MailWarningCaption(), MailWarningText(), BoxIcon::Warning}, "mailto:" + std::string(link.link)};
}
