#include "app/qt/application.h"

#include <QAbstractButton>
#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>

#include "app/error_text.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/desktop.h"
#include "platform/interruption.h"
#include "text/date_time_text.h"
#include "text/errors.h"

QuillmerApplication::QuillmerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void QuillmerApplication::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance());
    if (app == nullptr) throw;
    app->pending_ = std::current_exception();
  }
}

void QuillmerApplication::RequestEnd() {
  endRequested_ = true;
  QCoreApplication::exit(0);
}

void QuillmerApplication::RequestEndOnInterruption(std::string_view programName) {
  const std::intptr_t request = platform::RequestEndOnInterruption(programName);
  if (request < 0) return;
  // The platform asks only once, so the notifier has nothing more to say.
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(request), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
    notifier->setEnabled(false);
    RequestEnd();
  });
}

bool QuillmerApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  try {
    handled = QApplication::notify(receiver, event);
  } catch (...) {
    pending_ = std::current_exception();
  }
  ShowPendingErrors();
  return handled;
}

bool QuillmerApplication::event(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) RunHandler([] { LoadDateTextSettings(); });
  return QApplication::event(event);
}

void QuillmerApplication::ShowPendingErrors() {
  // Taken before the box opens: the box's own event loop may keep another.
  while (pending_) ShowErrorBox(std::exchange(pending_, nullptr));
}

namespace {

void ShowStopBox(const QString& text) {
  // A button held down or a drag in progress must not stay captured behind the box.
  if (QWidget* grabber = QWidget::mouseGrabber()) {
    grabber->releaseMouse();
    if (auto* button = qobject_cast<QAbstractButton*>(grabber)) button->setDown(false);
  }
  auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance());
  const QString caption = app != nullptr ? app->Title() : QString();
  ShowMessageBox(nullptr, QMessageBox::Critical, caption, text);
}

QString Shown(const QuillmerError& error) { return QString::fromStdU16String(ShownErrorText(error)); }

// The error box's text for whatever the pointer holds.
QString Shown(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const QuillmerError& e) {
    return Shown(e);
  } catch (const std::exception& e) {
    return Shown(PlainError(e.what()));
  } catch (...) {
    return Shown(PlainError("Unknown error"));
  }
}

}  // namespace

void ShowErrorBox(const QuillmerError& error) { ShowStopBox(Shown(error)); }

void ShowErrorBox(const std::exception_ptr& error) { ShowStopBox(Shown(error)); }

void ReportOnStandardError(const std::exception_ptr& error) {
  const QByteArray text = Shown(error).toLocal8Bit();
  std::fprintf(stderr, "quillmer: %s\n", text.constData());
  std::fflush(stderr);
}
