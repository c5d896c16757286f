#include "app/qt/link_label.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

TextLabel::TextLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TextLabel::paintEvent(QPaintEvent* event) {
  QFont plain = font();
  const bool underline = plain.underline();
  plain.setUnderline(false);
  const QFontMetrics metrics(plain);
  const QRect area = contentsRect();
  if (wordWrap() || text().contains(QLatin1Char('\n')) || (metrics.height() <= area.height() && !underline)) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.setFont(plain);
  const int baseline = area.top() + std::min(metrics.ascent(), area.height() - metrics.descent());
  const QRect textRect(area.left(), baseline - metrics.ascent(), area.width(), metrics.height());
  style()->drawItemText(&painter, textRect, static_cast<int>(alignment()), palette(), isEnabled(), text(),
                        foregroundRole());
  if (!underline) return;
  // The face puts its underline below the label; the last row still shows it.
  const int thickness = std::max(1, metrics.lineWidth());
  const int top = std::min(baseline + metrics.underlinePos(), area.bottom() + 1 - thickness);
  const QRect drawn = style()->itemTextRect(metrics, textRect, static_cast<int>(alignment()), isEnabled(), text());
  painter.fillRect(QRect(drawn.left(), top, drawn.width(), thickness), palette().color(foregroundRole()));
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : TextLabel(text, parent) {
  // Only the underline is set: face and size still come from the parent.
  QFont linkFont;
  linkFont.setUnderline(true);
  setFont(linkFont);
  QPalette linkPalette = palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  setPalette(linkPalette);
  setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}
