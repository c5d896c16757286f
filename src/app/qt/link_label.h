#pragma once
// Labels of the two windows. The layout gives one-line labels 12 pixels, the
// face's size; a free face of the same size needs 13 for its descenders and
// its underline.
#include <QLabel>

// A label that draws a one-line text so that its descenders stay inside: the
// text moves up the pixels the face needs, the label keeps its geometry.
class TextLabel : public QLabel {
  Q_OBJECT

 public:
  TextLabel(const QString& text, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A label that acts as a link: blue, underlined, a hand cursor, a click signal.
// The underline is drawn inside the label, on its last row at the lowest.
class LinkLabel : public TextLabel {
  Q_OBJECT

 public:
  LinkLabel(const QString& text, QWidget* parent);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
