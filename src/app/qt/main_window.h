#pragma once
// The main window: two path edits, the convert button, the auto-terminate
// box, the option and filter memos, and the link to the about box, as the
// shell lays them out and bound to its handlers.
#include <QWidget>
#include <string>

#include "app/main_form.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class LinkLabel;

class MainWindow : public QWidget, public FormControls {
  Q_OBJECT

 public:
  // Builds the controls and runs the shell's start-up steps with the file
  // given to the program, if any; load errors are shown, never raised.
  explicit MainWindow(QWidget* parent = nullptr, const std::string& fileArgument = std::string());

  // The window's handlers and what it was loaded with.
  MainForm& Form() { return form_; }
  // Runs one conversion with the controls' values and reports it.
  void Convert();
  // Opens a fresh about box modally.
  void ShowAboutBox();
  // Opens the preview of what the convert button would do now.
  void ShowPreview();
  // Lets the user pick the edit's file with the platform's file chooser.
  void BrowseForPath(PathEdit edit);

  // FormControls: what the controls show, the memos as AnsiText with CR LF,
  // the path edits as file names.
  AnsiText MemoText(Memo memo) const override;
  void SetMemoText(Memo memo, const AnsiText& text) override;
  std::string EditText(PathEdit edit) const override;
  void SetEditText(PathEdit edit, const std::string& path) override;
  bool AutoTerminate() const override;
  void SetAutoTerminate(bool ticked) override;

  // The controls that are bound; the group boxes and labels only show.
  QPushButton* convertButton;
  QLineEdit* inputEdit;
  QLineEdit* outputEdit;
  QCheckBox* autoTerminateBox;
  QPlainTextEdit* optionMemo;
  QPlainTextEdit* filterMemo;
  LinkLabel* aboutLink;
  LinkLabel* previewLink;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A file dropped anywhere but on the output edit is the input.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QPlainTextEdit* MemoControl(Memo memo) const;
  QLineEdit* EditControl(PathEdit edit) const;
  bool PathEditEvent(PathEdit edit, QEvent* event);

  MainForm form_;
};
