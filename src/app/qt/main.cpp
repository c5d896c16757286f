// The desktop program: regional settings first, then the application and its
// main window; the settings are saved at every orderly end, also on SIGTERM.
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/main_form.h"
#include "app/regional_choice.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/program.h"
#include "text/date_time_text.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// A log-off or shutdown that sends SIGTERM or SIGHUP ends the loop in order,
// so the settings are still written.
void QuitOnTerminationSignals(QuillmerApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier, &app] {
    char byte;
    [[maybe_unused]] const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
    notifier->setEnabled(false);
    app.RequestEnd();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
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
  // Qt has taken its own options out; what is left is the file to convert.
  const QStringList arguments = QCoreApplication::arguments();
  return RunMainWindow(arguments.size() > 1 ? arguments.at(1) : QString());
}
