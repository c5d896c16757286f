#pragma once
// The version-information box: product name, version line, copyright, and
// either the contact links or the notice that the build has no support.
#include <QDialog>

#include "app/window_layout.h"

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class LinkLabel;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* owner);

  // Fills the three captions from the version information and picks the group.
  void FormShow();
  void cmdOKClick();
  // Opens the link's address; a mail link warns first.
  void LinkClicked(const ControlLayout& link);

  QPushButton* cmdOK;
  QLabel* Copyright;
  QLabel* Version;
  QLabel* ProductName;
  QFrame* Bevel1;
  QGroupBox* GroupBox1;
  LinkLabel* Label1;
  LinkLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Image1;
  LinkLabel* Label2;
  QGroupBox* GroupBox2;
  LinkLabel* Label7;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Image2;

 protected:
  void showEvent(QShowEvent* event) override;
  // FormPaint: the program's icon at 24, 24, under the labels and the frame.
  void paintEvent(QPaintEvent* event) override;
};
