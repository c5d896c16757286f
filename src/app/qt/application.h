#pragma once
// The application object: the one place where errors that escape an event
// handler are shown, and the reload of the regional settings on a change.
#include <QApplication>
#include <exception>
#include <functional>
#include <string_view>

#include "text/errors.h"

class QuillmerApplication : public QApplication {
  Q_OBJECT

 public:
  QuillmerApplication(int& argc, char** argv);

  // The title of the application: the main window's caption and every error box's.
  void SetTitle(const QString& title) { title_ = title; }
  const QString& Title() const { return title_; }

  // Runs a handler. An error that escapes it is kept and shown once the event
  // being dispatched has been handled: it never unwinds through Qt itself.
  static void RunHandler(const std::function<void()>& handler);

  // Ends every running event loop, modal boxes included, also before the main
  // loop has started; the main loop is then never entered.
  void RequestEnd();
  // A log-off or shutdown that sends SIGTERM or SIGHUP, or Ctrl+C, requests
  // the end, so the settings are still written; a second one ends the program
  // at once.
  void RequestEndOnInterruption(std::string_view programName);
  bool EndRequested() const { return endRequested_; }
  // The request belongs to one run of the main window.
  void ForgetEndRequest() { endRequested_ = false; }

  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  bool event(QEvent* event) override;

 private:
  void ShowPendingErrors();

  QString title_;
  std::exception_ptr pending_;
  bool endRequested_ = false;
};

// A slot that runs handler through QuillmerApplication::RunHandler.
template <typename Handler>
auto Guarded(Handler handler) {
  return [handler]() mutable { QuillmerApplication::RunHandler(handler); };
}

// Shows the error's message in a stop box captioned with the application's
// title, with "." appended by the rule of the error box, each piece of it
// decoded from its own code page; releases the mouse first.
void ShowErrorBox(const QuillmerError& error);
// ShowErrorBox for whatever error the pointer holds.
void ShowErrorBox(const std::exception_ptr& error);
// The same text on the standard error, for when no box can be shown.
void ReportOnStandardError(const std::exception_ptr& error);
