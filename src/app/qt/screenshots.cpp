// Writes PNG pictures of the main window, the completion box, an error box,
// the about box and the preview, for the documentation. Run under any platform plugin
// (offscreen works):  quillmer-screenshots OUTPUT_DIR [SAMPLE_EXPORT]
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/main_form.h"
#include "app/qt/about_box.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/main_window.h"
#include "app/qt/preview_dialog.h"
#include "app/settings.h"
#include "text/date_time_text.h"

namespace {

bool Save(QWidget& widget, const QString& path) {
  const bool saved = widget.grab().save(path, "PNG");
  std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write",
               qPrintable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  LoadDateTextSettings();
  QuillmerApplication app(argc, argv);
  app.SetTitle(QStringFromAnsi(ApplicationTitle()));
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: quillmer-screenshots OUTPUT_DIR [SAMPLE_EXPORT]\n");
    return 2;
  }
  const QDir out(QDir(args.at(1)).absolutePath());
  QDir().mkpath(out.path());
  QTemporaryDir work;
  SetSettingsDirectoryForTesting(QFile::encodeName(work.path()).toStdString());

  bool ok = true;
  QString boxName;
  SetMessageBoxHookForTesting([&](QMessageBox& box) {
    ok = Save(box, out.filePath(boxName)) && ok;
    box.accept();
  });

  // Short relative paths read better in the pictures than temporary ones.
  if (args.size() > 2) QFile::copy(args.at(2), work.filePath(QStringLiteral("outlook-export.csv")));
  QDir::setCurrent(work.path());

  MainWindow form;
  form.inputEdit->setText(QStringLiteral("outlook-export.csv"));
  form.outputEdit->setText(QStringLiteral("calendar.vcs"));
  form.optionMemo->setPlainText(QStringLiteral("CATEGORIES:BUSINESS\nCLASS:PRIVATE"));
  form.filterMemo->setPlainText(QStringLiteral("[private]\n休暇"));
  form.show();
  ok = Save(form, out.filePath(QStringLiteral("main-window.png"))) && ok;

  boxName = QStringLiteral("completion-box.png");
  try {
    form.Convert();
  } catch (...) {
    std::fprintf(stderr, "the sample export did not convert:\n");
    ShowErrorBox(std::current_exception());
    ok = false;
  }
  // The preview once every row is in.
  QTimer::singleShot(0, [&] {
    auto* preview = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget());
    if (preview == nullptr) return;
    while (!preview->Finished()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    ok = Save(*preview, out.filePath(QStringLiteral("preview.png"))) && ok;
    preview->close();
  });
  form.ShowPreview();

  form.inputEdit->setText(QStringLiteral("missing.csv"));
  boxName = QStringLiteral("error-box.png");
  try {
    form.Convert();
  } catch (...) {
    ShowErrorBox(std::current_exception());
  }

  QTimer::singleShot(0, [&] {
    if (QWidget* about = QApplication::activeModalWidget()) {
      ok = Save(*about, out.filePath(QStringLiteral("about-box.png"))) && ok;
      about->close();
    }
  });
  form.ShowAboutBox();
  SetMessageBoxHookForTesting({});
  SetSettingsDirectoryForTesting(std::nullopt);
  return ok ? 0 : 1;
}
