#pragma once
// The version-information box: product name, version line, copyright, and
// either the contact links or the notice that the build has no support.
#include <QDialog>

#include "app/window_layout.h"

class QGroupBox;
class QLabel;
class QPushButton;
class LinkLabel;

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* owner);

  // Fills the three captions from the version information and picks the group.
  void ShowVersionInfo();
  // Opens the link's address; a mail link warns first.
  void LinkClicked(const ControlLayout& link);

  // The controls that change or are bound; the rest only show.
  QPushButton* okButton;
  QLabel* productNameLabel;
  QLabel* versionLabel;
  QLabel* copyrightLabel;
  QGroupBox* contactGroup;
  LinkLabel* webSiteLink;
  LinkLabel* mailLink;
  LinkLabel* usersSiteLink;
  QGroupBox* noticeGroup;
  LinkLabel* noticeWebSiteLink;

 protected:
  void showEvent(QShowEvent* event) override;
  // The program's icon at 24, 24, under the labels and the frame.
  void paintEvent(QPaintEvent* event) override;
};
