#include "app/qt/about_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

#include "app/about_text.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/icons.h"
#include "app/qt/layout_widgets.h"
#include "app/qt/link_label.h"

namespace {

QString FromAnsi(std::string_view text) { return QStringFromFixed(text); }

// The dialog's own face: the Japanese UI font, or the free one of its metrics.
QFont AboutFont() {
  QFont font;
  font.setFamilies({LayoutText(AboutBoxLayout().face), QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}

// A label whose width follows its text.
void SetCaption(QLabel* label, const QString& text) {
  label->setText(text);
  label->resize(label->sizeHint().width(), label->height());
}

}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
  const WindowLayout& layout = AboutBoxLayout();
  setObjectName(LayoutText(layout.name));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(LayoutText(layout.caption));
  setFixedSize(layout.width, layout.height);
  setFont(AboutFont());
  setWindowIcon(MainIcon());

  const LayoutWidgets controls = CreateLayoutControls(this, layout);
  okButton = LayoutControl<QPushButton>(controls, AboutControl::OkButton);
  productNameLabel = LayoutControl<QLabel>(controls, AboutControl::ProductName);
  versionLabel = LayoutControl<QLabel>(controls, AboutControl::Version);
  copyrightLabel = LayoutControl<QLabel>(controls, AboutControl::Copyright);
  contactGroup = LayoutControl<QGroupBox>(controls, AboutControl::ContactGroup);
  webSiteLink = LayoutControl<LinkLabel>(controls, AboutControl::WebSiteLink);
  mailLink = LayoutControl<LinkLabel>(controls, AboutControl::MailLink);
  usersSiteLink = LayoutControl<LinkLabel>(controls, AboutControl::UsersSiteLink);
  noticeGroup = LayoutControl<QGroupBox>(controls, AboutControl::NoticeGroup);
  noticeWebSiteLink = LayoutControl<LinkLabel>(controls, AboutControl::NoticeWebSiteLink);
  noticeGroup->hide();
  okButton->setFocus();

  CentreOnScreen(this);

  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  for (const ControlLayout& row : layout.controls) {
    if (row.kind != ControlKind::Link && row.kind != ControlKind::MailLink) continue;
    connect(LayoutControl<LinkLabel>(controls, row.id), &LinkLabel::clicked, this,
            Guarded([this, &row] { LinkClicked(row); }));
  }
}

void AboutBox::ShowVersionInfo() {
  const AboutCaptions captions = ComposeAboutCaptions(ProgramVersionInfo());
  SetCaption(productNameLabel, FromAnsi(captions.productName));
  SetCaption(versionLabel, FromAnsi(captions.version));
  SetCaption(copyrightLabel, FromAnsi(captions.copyright));
  if (captions.noticeGroup) {
    contactGroup->hide();
    noticeGroup->show();
  }
}

void AboutBox::LinkClicked(const ControlLayout& link) {
  const LinkClick click = ClickOnLink(link);
  if (click.warnFirst) ShowFixedTextBox(this, click.warning);
  OpenLink(QUrl(FromAnsi(click.address)));
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) QuillmerApplication::RunHandler([this] { ShowVersionInfo(); });
}

void AboutBox::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.drawPixmap(24, 24, MainIconPixmap());
}
