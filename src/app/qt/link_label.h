#pragma once
// A label that acts as a link: blue, underlined, a hand cursor, a click signal.
#include <QLabel>

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  LinkLabel(const QString& text, QWidget* parent);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
