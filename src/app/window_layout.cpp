#include "app/window_layout.h"

#include "app/about_text.h"
#include "app/version_info.h"

namespace {

using enum ControlKind;

constexpr ControlLayout kMainControls[] = {
    {"GroupBox1", 110, GroupBox, "", {8, 8, 425, 121}, 0, "入出力設定", "", ""},
    {"Button1", 101, DefaultButton, "GroupBox1", {304, 80, 105, 25}, 1, "変換と出力", "", ""},
    {"Edit1", 102, Edit, "GroupBox1", {112, 21, 297, 20}, 2, "", "", ""},
    {"Label2", 113, Label, "GroupBox1", {16, 24, 90, 12}, 0, "入力CSVファイル:", "", ""},
    {"Label3", 114, Label, "GroupBox1", {16, 48, 90, 12}, 0, "出力VCSファイル:", "", ""},
    {"Edit2", 103, Edit, "GroupBox1", {112, 45, 297, 20}, 3, "", "", ""},
    {"GroupBox2", 111, GroupBox, "", {8, 144, 425, 265}, 0, "変換オプション", "", ""},
    {"memOption", 105, Memo, "GroupBox2", {16, 40, 393, 97}, 5, "", "", ""},
    {"Label1", 112, Label, "GroupBox2", {15, 21, 258, 12}, 0, "専用オプション(全て自動的に各要素に含まれます)", "", ""},
    {"Label4", 115, Label, "GroupBox2", {15, 149, 338, 12}, 0,
     "フィルタ(次の文字が含まれているアイテムはコンバートされません)", "", ""},
    {"memFilter", 106, Memo, "GroupBox2", {16, 168, 393, 81}, 6, "", "", ""},
    {"Label5", 107, Link, "", {352, 418, 83, 12}, 0, "バージョン情報...", "", ""},
    {"lblPreview", 108, Link, "", {8, 418, 70, 12}, 0, "内容の確認...", "", ""},
    {"chkAutoTerminate", 104, CheckBox, "GroupBox1", {16, 88, 201, 17}, 4, "正常に変換できたら自動で終了", "", ""},
};

// Filled in when the box shows, from the version information.
constexpr std::string_view kPending = "実行時に取得";
constexpr std::string_view kWebHint = "作者の Web サイトへジャンプ";

constexpr ControlLayout kAboutControls[] = {
    {"cmdOK", 201, DefaultButton, "", {112, 224, 97, 26}, 1, "OK", "閉じる", ""},
    {"Copyright", 204, Label, "", {72, 72, 69, 12}, 0, kPending, "著作権情報", ""},
    {"Version", 203, Label, "", {72, 44, 69, 12}, 0, kPending, "バージョン情報", ""},
    {"ProductName", 202, BoldLabel, "", {70, 24, 77, 12}, 0, kPending, "ソフトウエアの名称", ""},
    {"Bevel1", 0, Frame, "", {8, 8, 313, 105}, 0, "", "", ""},
    {"GroupBox1", 205, GroupBox, "", {8, 120, 313, 92}, 0, "連絡先", "", ""},
    {"Label1", 207, Link, "GroupBox1", {104, 43, 129, 12}, 0, WebSiteAddress, kWebHint, WebSiteAddress},
    {"Label4", 209, MailLink, "GroupBox1", {104, 22, 109, 12}, 0, SupportMailAddress, "作者にサポート依頼メールを送信",
     SupportMailAddress},
    {"Label5", 210, Label, "GroupBox1", {64, 22, 36, 12}, 0, "E-mail:", "", ""},
    {"Label6", 211, Label, "GroupBox1", {64, 44, 24, 12}, 0, "URL:", "", ""},
    {"Image1", 215, ContactImage, "GroupBox1", {16, 33, 32, 32}, 0, "", "Contact me!", ""},
    {"Label2", 208, Link, "GroupBox1", {104, 64, 179, 12}, 0, "USERS' SITE (サポートのお知らせ)",
     "USERS' SITE (サポート専用のサイト)へジャンプ", UsersSiteAddress},
    {"GroupBox2", 206, GroupBox, "", {8, 120, 313, 92}, 0, "お知らせ", "", ""},
    {"Label7", 212, Link, "GroupBox2", {136, 59, 129, 12}, 0, WebSiteAddress, kWebHint, WebSiteAddress},
    {"Label9", 213, WrappedLabel, "GroupBox2", {64, 24, 233, 33}, 0,
     "このソフトウエアはノンサポートソフトウエアです。\n一切のお問い合わせをお断りしております。", "", ""},
    {"Label10", 214, Label, "GroupBox2", {64, 60, 60, 12}, 0, "公開元URL:", "", ""},
    {"Image2", 216, NoticeImage, "GroupBox2", {16, 33, 32, 32}, 0, "", "Contact me!", ""},
};

constexpr WindowLayout kMainWindow{
    "Form1", "Kivaro; CSV to vCalendar for iPod series", 445, 436, LayoutFace, kMainControls};
constexpr WindowLayout kAboutBox{"frmAbout", "バージョン情報", 329, 257, "MS UI Gothic", kAboutControls};

}  // namespace

const WindowLayout& MainWindowLayout() { return kMainWindow; }

const WindowLayout& AboutBoxLayout() { return kAboutBox; }

const ControlLayout* FindControl(const WindowLayout& window, std::string_view name) {
  for (const ControlLayout& control : window.controls)
    if (control.name == name) return &control;
  return nullptr;
}

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
