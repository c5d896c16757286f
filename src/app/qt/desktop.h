#pragma once
// The boxes and links of the program, each behind a seam so that tests can
// read and close a box and see which link would have opened.
#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>

// A modal box with one OK button; returns when the user has closed it. CR LF
// in text is shown as a line break.
void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text);
// Opens an address with the desktop's handler; a failure is not reported.
void OpenLink(const QUrl& address);

// Called with every box once it is shown; the hook must close it.
using MessageBoxHook = std::function<void(QMessageBox& box)>;
void SetMessageBoxHookForTesting(MessageBoxHook hook);
// Called instead of the desktop for every link; empty restores the desktop.
using LinkHook = std::function<void(const QUrl& address)>;
void SetLinkHookForTesting(LinkHook hook);
