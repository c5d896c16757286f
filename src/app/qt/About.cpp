#include "app/qt/About.h"

#include <QFrame>
#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

#include "app/about_text.h"
#include "app/qt/QuillmerMain.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/icons.h"
#include "app/qt/link_label.h"

namespace {

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height,
               const QString& hint = QString()) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(left, top, width, height);
  if (!hint.isEmpty()) control->setToolTip(hint);
  if (auto* label = qobject_cast<QLabel*>(control)) label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return control;
}

QString FromAnsi(std::string_view text) { return QStringFromFixed(text); }

// The dialog's own face: the Japanese UI font, or the free one of its metrics.
QFont AboutFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}

// A label whose width follows its text.
void SetCaption(QLabel* label, const QString& text) {
  label->setText(text);
  label->resize(label->sizeHint().width(), label->height());
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(QStringLiteral("バージョン情報"));
  setFixedSize(329, 257);
  setFont(AboutFont());
  setWindowIcon(MainIcon());

  const QString pending = QStringLiteral("実行時に取得");
  const QString webSite = FromAnsi(WebSiteAddress);
  const QString webHint = QStringLiteral("作者の Web サイトへジャンプ");

  cmdOK = Place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 112, 224, 97, 26,
                QStringLiteral("閉じる"));
  cmdOK->setDefault(true);
  Copyright = Place(new TextLabel(pending, this), "Copyright", 72, 72, 69, 12, QStringLiteral("著作権情報"));
  Version = Place(new TextLabel(pending, this), "Version", 72, 44, 69, 12, QStringLiteral("バージョン情報"));
  ProductName = Place(new TextLabel(pending, this), "ProductName", 70, 24, 77, 12,
                      QStringLiteral("ソフトウエアの名称"));
  QFont bold = MainWindowFont();
  bold.setBold(true);
  ProductName->setFont(bold);
  Bevel1 = Place(new QFrame(this), "Bevel1", 8, 8, 313, 105);
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);  // the labels under it keep their hints

  GroupBox1 = Place(new QGroupBox(QStringLiteral("連絡先"), this), "GroupBox1", 8, 120, 313, 92);
  Label1 = Place(new LinkLabel(webSite, GroupBox1), "Label1", 104, 43, 129, 12, webHint);
  Label4 = Place(new LinkLabel(FromAnsi(SupportMailAddress), GroupBox1), "Label4", 104, 22, 109, 12,
                 QStringLiteral("作者にサポート依頼メールを送信"));
  Label5 = Place(new TextLabel(QStringLiteral("E-mail:"), GroupBox1), "Label5", 64, 22, 36, 12);
  Label6 = Place(new TextLabel(QStringLiteral("URL:"), GroupBox1), "Label6", 64, 44, 24, 12);
  Image1 = Place(new QLabel(GroupBox1), "Image1", 16, 33, 32, 32, QStringLiteral("Contact me!"));
  Image1->setPixmap(ContactPixmap());
  Label2 = Place(new LinkLabel(QStringLiteral("USERS' SITE (サポートのお知らせ)"), GroupBox1), "Label2", 104,
                 64, 179, 12, QStringLiteral("USERS' SITE (サポート専用のサイト)へジャンプ"));

  GroupBox2 = Place(new QGroupBox(QStringLiteral("お知らせ"), this), "GroupBox2", 8, 120, 313, 92);
  GroupBox2->hide();
  Label7 = Place(new LinkLabel(webSite, GroupBox2), "Label7", 136, 59, 129, 12, webHint);
  Label9 = Place(new QLabel(QStringLiteral("このソフトウエアはノンサポートソフトウエアです。\n"
                                           "一切のお問い合わせをお断りしております。"),
                            GroupBox2),
                 "Label9", 64, 24, 233, 33);
  Label9->setWordWrap(true);
  {
    // Wide enough for each line of the notice in a face wider than the one the
    // layout was made for, as far as the group allows.
    const QFontMetrics metrics(Label9->font());
    int widest = 0;
    for (const QString& line : Label9->text().split(QLatin1Char('\n')))
      widest = std::max(widest, metrics.horizontalAdvance(line) + 2);
    Label9->resize(std::clamp(widest, Label9->width(), GroupBox2->width() - Label9->x() - 4), Label9->height());
  }
  Label10 = Place(new TextLabel(QStringLiteral("公開元URL:"), GroupBox2), "Label10", 64, 60, 60, 12);
  Image2 = Place(new QLabel(GroupBox2), "Image2", 16, 33, 32, 32, QStringLiteral("Contact me!"));
  Image2->setPixmap(NoticePixmap());

  QFont linkFont = MainWindowFont();
  linkFont.setUnderline(true);
  for (LinkLabel* link : {Label1, Label4, Label2, Label7}) link->setFont(linkFont);
  for (QLabel* label : std::initializer_list<QLabel*>{Label1, Label4, Label5, Label6, Label2, Label7, Label10})
    FitWidthToText(label);
  setTabOrder(cmdOK, GroupBox1);
  setTabOrder(GroupBox1, GroupBox2);
  cmdOK->setFocus();

  CentreOnScreen(this);

  connect(cmdOK, &QPushButton::clicked, this, Guarded([this] { cmdOKClick(); }));
  connect(Label1, &LinkLabel::clicked, this, Guarded([this] { Label1Click(); }));
  connect(Label7, &LinkLabel::clicked, this, Guarded([this] { Label1Click(); }));
  connect(Label2, &LinkLabel::clicked, this, Guarded([this] { Label2Click(); }));
  connect(Label4, &LinkLabel::clicked, this, Guarded([this] { Label4Click(); }));
}

void TfrmAbout::FormShow() {
  const AboutCaptions captions = ComposeAboutCaptions(ProgramVersionInfo());
  SetCaption(ProductName, FromAnsi(captions.productName));
  SetCaption(Version, FromAnsi(captions.version));
  SetCaption(Copyright, FromAnsi(captions.copyright));
  if (captions.noticeGroup) {
    GroupBox1->hide();
    GroupBox2->show();
  }
}

void TfrmAbout::cmdOKClick() { accept(); }

void TfrmAbout::Label1Click() { OpenLink(QUrl(FromAnsi(WebSiteAddress))); }

void TfrmAbout::Label2Click() { OpenLink(QUrl(FromAnsi(UsersSiteAddress))); }

void TfrmAbout::Label4Click() {
  ShowMessageBox(this, QMessageBox::Warning, FromAnsi(MailWarningCaption()), FromAnsi(MailWarningText()));
  OpenLink(QUrl(QStringLiteral("mailto:") + FromAnsi(SupportMailAddress)));
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) QuillmerApplication::RunHandler([this] { FormShow(); });
}

void TfrmAbout::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.drawPixmap(24, 24, MainIconPixmap());
}
