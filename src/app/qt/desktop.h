#pragma once
// The boxes, links and file choosers of the program, each behind a seam so
// that tests can read and close a box, see which link would have opened, and
// answer a chooser.
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>

#include "app/window_layout.h"

// A modal box with one OK button; returns when the user has closed it. CR LF
// in text is shown as a line break.
void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text);
// A box of the program's own texts (code page 932, whatever the profile).
void ShowFixedTextBox(QWidget* owner, const BoxText& box);
// Opens an address with the desktop's handler; a failure is not reported.
void OpenLink(const QUrl& address);

// What a file chooser is asked for.
struct FileChoice {
  bool save = false;  // a file to write rather than one to read
  QString caption;
  QString startPath;  // the file it offers, or the directory it opens on
  QString filter;     // "CSV ファイル (*.csv);;すべてのファイル (*)"
  QString selectedFilter;  // one of filter's, selected at first
};
// The platform's file chooser; empty when the user cancelled. The filter
// selected last is left in choice.selectedFilter.
QString ChooseFile(QWidget* owner, FileChoice& choice);

// Centres a top-level window on its screen by its frame, title bar included;
// once the window manager has framed it, it is centred again.
void CentreOnScreen(QWidget* window);

// Called with every box once it is shown; the hook must close it.
using MessageBoxHook = std::function<void(QMessageBox& box)>;
void SetMessageBoxHookForTesting(MessageBoxHook hook);
// Called instead of the desktop for every link; empty restores the desktop.
using LinkHook = std::function<void(const QUrl& address)>;
void SetLinkHookForTesting(LinkHook hook);
// Answers every file chooser instead of the platform; empty restores it.
using FileChooserHook = std::function<QString(const FileChoice& choice)>;
void SetFileChooserHookForTesting(FileChooserHook hook);
