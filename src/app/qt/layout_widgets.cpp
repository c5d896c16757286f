#include "app/qt/layout_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "app/qt/icons.h"
#include "app/qt/link_label.h"

namespace {

QFont LayoutFont(bool bold, bool underline) {
  QFont font = MainWindowFont();
  font.setBold(bold);
  font.setUnderline(underline);
  return font;
}

QPlainTextEdit* NewMemo(QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);
  return memo;
}

// Wide enough for each of its lines in a face wider than the one the layout
// was made for, as far as its group allows; the height stays the layout's.
void FitLinesToText(QLabel* label) {
  const QFontMetrics metrics(label->font());
  int widest = 0;
  for (const QString& line : label->text().split(QLatin1Char('\n')))
    widest = std::max(widest, metrics.horizontalAdvance(line) + 2);
  const int room = label->parentWidget()->width() - label->x() - 4;
  label->resize(std::clamp(widest, label->width(), room), label->height());
}

QWidget* NewControl(const ControlLayout& row, QWidget* parent) {
  const QString caption = LayoutText(row.caption);
  switch (row.kind) {
    case ControlKind::GroupBox:
      return new QGroupBox(caption, parent);
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(caption, parent);
      button->setDefault(true);
      return button;
    }
    case ControlKind::Edit:
      return new QLineEdit(parent);
    case ControlKind::Memo:
      return NewMemo(parent);
    case ControlKind::CheckBox:
      return new QCheckBox(caption, parent);
    case ControlKind::Label:
      return new TextLabel(caption, parent);
    case ControlKind::BoldLabel: {
      auto* label = new TextLabel(caption, parent);
      label->setFont(LayoutFont(true, false));
      return label;
    }
    case ControlKind::WrappedLabel: {
      auto* label = new QLabel(caption, parent);
      label->setWordWrap(true);
      return label;
    }
    case ControlKind::Link:
    case ControlKind::MailLink: {
      auto* link = new LinkLabel(caption, parent);
      link->setFont(LayoutFont(false, true));
      return link;
    }
    case ControlKind::ContactImage:
    case ControlKind::NoticeImage: {
      auto* image = new QLabel(parent);
      image->setPixmap(row.kind == ControlKind::ContactImage ? ContactPixmap() : NoticePixmap());
      return image;
    }
    case ControlKind::Frame: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);  // the labels under it keep their hints
      return frame;
    }
    case ControlKind::Button:
      return new QPushButton(caption, parent);
    case ControlKind::ComboBox:
      return new QComboBox(parent);
    case ControlKind::Note: {
      auto* note = new QLabel(caption, parent);
      note->setTextFormat(Qt::PlainText);
      return note;
    }
    case ControlKind::ReadOnlyMemo: {
      auto* memo = new QPlainTextEdit(parent);
      memo->setReadOnly(true);
      memo->setLineWrapMode(QPlainTextEdit::NoWrap);
      return memo;
    }
    case ControlKind::RecordList:
      return new QTableView(parent);
  }
  return nullptr;
}

}  // namespace

QString LayoutText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont MainWindowFont() {
  QFont font;
  font.setFamilies({LayoutText(LayoutFace), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}

void FitWidthToText(QLabel* label) {
  // Labels size themselves to their text: a face a little wider than the
  // one the layout was made for must not cut the caption off.
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

LayoutWidgets CreateLayoutControls(QWidget* window, const WindowLayout& layout) {
  LayoutWidgets controls;
  std::vector<std::pair<int, QWidget*>> tabOrder;
  for (const ControlLayout& row : layout.controls) {
    QWidget* parent = row.parent == 0 ? window : controls.at(row.parent);
    QWidget* control = NewControl(row, parent);
    control->setObjectName(LayoutText(row.name));
    control->setGeometry(row.rect.left, row.rect.top, row.rect.width, row.rect.height);
    if (!row.tooltip.empty()) control->setToolTip(LayoutText(row.tooltip));
    if (auto* label = qobject_cast<QLabel*>(control)) {
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      if (row.kind == ControlKind::WrappedLabel) {
        FitLinesToText(label);
      } else if (qobject_cast<TextLabel*>(label) != nullptr) {
        FitWidthToText(label);
      }
    }
    if (row.tab > 0) tabOrder.emplace_back(row.tab, control);
    controls.emplace(row.id, control);
  }
  std::sort(tabOrder.begin(), tabOrder.end());
  for (std::size_t i = 1; i < tabOrder.size(); ++i) QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  return controls;
}
