#include "app/qt/program.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>

#include "app/qt/main_window.h"
#include "app/qt/application.h"

int RunMainWindow(const std::string& inputFile) {
  MainWindow window(nullptr, inputFile);
  auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance());
  auto finish = [&window, app] {
    window.hide();
    try {
      window.Form().Destroy();
    } catch (...) {
      // Ending on a signal, nobody may be there to close a box: it would keep
      // the program from ending.
      if (app != nullptr && app->EndRequested()) {
        ReportOnStandardError(std::current_exception());
      } else {
        ShowErrorBox(std::current_exception());
      }
    }
  };
  // At the end of the desktop session the settings are saved before the loop may be left.
  const QMetaObject::Connection sessionEnd =
      QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager&) {
        QuillmerApplication::RunHandler([&window] { window.Form().Save(); });
      });
  const QMetaObject::Connection quitting = QObject::connect(qApp, &QCoreApplication::aboutToQuit, &window, finish);

  if (app == nullptr || !app->EndRequested()) {
    window.show();
    QCoreApplication::exec();
  }
  finish();
  QObject::disconnect(sessionEnd);
  QObject::disconnect(quitting);
  if (app != nullptr) app->ForgetEndRequest();
  return 0;
}
