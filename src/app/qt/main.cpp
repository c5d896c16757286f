// The desktop program: regional settings first, then the application and its
// main window; the settings are saved at every orderly end, also on SIGTERM.
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <sys/socket.h>
#include <unistd.h>

#include "app/main_form.h"
#include "app/regional_choice.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/program.h"
#include "platform/interruption.h"
#include "text/date_time_text.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// A log-off or shutdown that sends SIGTERM or SIGHUP, or Ctrl+C, ends the loop
// in order, so the settings are still written; a second signal ends the
// program at once.
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

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::string> unknownProfile = ChooseRegionalProfile(std::nullopt);
  LoadDateTextSettings();
  QuillmerApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quillmer"));
  app.SetTitle(QStringFromFixed(ApplicationTitle()));
  QuitOnTerminationSignals(app);
  // Qt's own texts (an edit's context menu, the file chooser) in Japanese like
  // the rest of the window, where Qt's translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtTexts);
  if (unknownProfile) ShowErrorBox(UnknownProfileError(*unknownProfile));
  // Qt has taken its own options out of argv; what is left is the file to
  // convert, as the file system's bytes.
  return RunMainWindow(argc > 1 ? std::string(argv[1]) : std::string());
}
