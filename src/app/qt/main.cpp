// The desktop program: regional settings first, then the application and its
// main window; the settings are saved at every orderly end, also on SIGTERM.
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/main_form.h"
#include "app/regional_choice.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/program.h"

int main(int argc, char** argv) {
  const std::vector<std::exception_ptr> failures = PrepareRegionalSettings();
  QuillmerApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quillmer"));
  app.SetTitle(QStringFromFixed(ApplicationTitle()));
  app.RequestEndOnInterruption("quillmer");
  // Qt's own texts (an edit's context menu, the file chooser) in Japanese like
  // the rest of the window, where Qt's translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtTexts);
  for (const std::exception_ptr& failure : failures) ShowErrorBox(failure);
  // Qt has taken its own options out of argv; what is left is the file to
  // convert, as the file system's bytes.
  return RunMainWindow(argc > 1 ? std::string(argv[1]) : std::string());
}
