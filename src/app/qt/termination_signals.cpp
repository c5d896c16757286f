#include "app/qt/termination_signals.h"

#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

#include "app/qt/application.h"
#include "platform/interruption.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void QuitOnTerminationSignals(QuillmerApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier, &app] {
    char byte;
    [[maybe_unused]] const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
    notifier->setEnabled(false);
    app.RequestEnd();
  });
  platform::RequestEndOnInterruption("quillmer", OnTerminationSignal);
}
