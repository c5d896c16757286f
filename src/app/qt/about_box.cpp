#include "app/qt/about_box.h"

#include <QFrame>
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

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  const WindowLayout& layout = AboutBoxLayout();
  setObjectName(LayoutText(layout.name));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(LayoutText(layout.caption));
  setFixedSize(layout.width, layout.height);
  setFont(AboutFont());
  setWindowIcon(MainIcon());

  const std::map<std::string_view, QWidget*> controls = CreateLayoutControls(this, layout);
  cmdOK = LayoutControl<QPushButton>(controls, "cmdOK");
  Copyright = LayoutControl<QLabel>(controls, "Copyright");
  Version = LayoutControl<QLabel>(controls, "Version");
  ProductName = LayoutControl<QLabel>(controls, "ProductName");
  Bevel1 = LayoutControl<QFrame>(controls, "Bevel1");
  GroupBox1 = LayoutControl<QGroupBox>(controls, ContactGroup);
  Label1 = LayoutControl<LinkLabel>(controls, "Label1");
  Label4 = LayoutControl<LinkLabel>(controls, "Label4");
  Label5 = LayoutControl<QLabel>(controls, "Label5");
  Label6 = LayoutControl<QLabel>(controls, "Label6");
  Image1 = LayoutControl<QLabel>(controls, "Image1");
  Label2 = LayoutControl<LinkLabel>(controls, "Label2");
  GroupBox2 = LayoutControl<QGroupBox>(controls, NoticeGroup);
  Label7 = LayoutControl<LinkLabel>(controls, "Label7");
  Label9 = LayoutControl<QLabel>(controls, "Label9");
  Label10 = LayoutControl<QLabel>(controls, "Label10");
  Image2 = LayoutControl<QLabel>(controls, "Image2");
  GroupBox2->hide();
  cmdOK->setFocus();

  CentreOnScreen(this);

  connect(cmdOK, &QPushButton::clicked, this, Guarded([this] { cmdOKClick(); }));
  for (const ControlLayout& row : layout.controls) {
    if (row.kind != ControlKind::Link && row.kind != ControlKind::MailLink) continue;
    connect(LayoutControl<LinkLabel>(controls, row.name), &LinkLabel::clicked, this,
            Guarded([this, &row] { LinkClicked(row); }));
  }
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

void TfrmAbout::LinkClicked(const ControlLayout& link) {
  const LinkClick click = ClickOnLink(link);
  if (click.warnFirst) ShowFixedTextBox(this, click.warning);
  OpenLink(QUrl(FromAnsi(click.address)));
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
