#include "app/qt/program.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSessionManager>

#include "app/qt/QuillmerMain.h"
#include "app/qt/application.h"

int RunMainWindow(const QString& inputFile) {
  TForm1 form;
  Form1 = &form;
  if (!inputFile.isEmpty()) form.Edit1->setText(QFileInfo(inputFile).absoluteFilePath());
  bool saved = false;
  auto finish = [&form, &saved] {
    if (saved) return;
    saved = true;
    form.hide();
    try {
      form.FormDestroy();
    } catch (...) {
      ShowErrorBox(std::current_exception());
    }
  };
  // At the end of the desktop session the settings are saved before the loop may be left.
  const QMetaObject::Connection sessionEnd =
      QObject::connect(qApp, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager&) {
        QuillmerApplication::RunHandler([&form] { form.FormDestroy(); });
      });
  const QMetaObject::Connection quitting = QObject::connect(qApp, &QCoreApplication::aboutToQuit, &form, finish);

  auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance());
  if (app == nullptr || !app->EndRequested()) {
    form.show();
    QCoreApplication::exec();
  }
  finish();
  QObject::disconnect(sessionEnd);
  QObject::disconnect(quitting);
  Form1 = nullptr;
  return 0;
}
