// The desktop program driven as a user drives it: typing, Enter, clicks, and
// the boxes it shows, read and closed through the box seam.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTextCursor>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <unistd.h>
#include <vector>

#include "app/about_text.h"
#include "app/main_form.h"
#include "app/regional_choice.h"
#include "app/qt/about_box.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/layout_widgets.h"
#include "app/qt/link_label.h"
#include "app/qt/main_window.h"
#include "app/qt/program.h"
#include "app/settings.h"
#include "app/window_layout.h"
#include "support/test_support.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "text/date_time_text.h"
#include "text/errors.h"

using testing_support::ReadFileBytes;
using testing_support::Sjis;
using testing_support::WriteFileBytes;

namespace {

const QString kTitle = QStringLiteral("Kivaro; CSV to vCalendar for iPod series");
// The settings file is named after the executable, this test's as a renamed program's.
const char* const kIni = "main_window_test.ini";
const QString kCompletionOneEach =
    QStringLiteral("変換と出力が完了しました\n\n・変換対象: 1件\n・フィルタ対象: 1件");

struct SeenBox {
  QString caption;
  QString text;
  QMessageBox::Icon icon;
  QString owner;  // the owner's object name, empty for none
  bool waitCursor;
};

// Records every box and closes it with its OK button, as the user would.
class BoxWatcher {
 public:
  BoxWatcher() {
    SetMessageBoxHookForTesting([this](QMessageBox& box) {
      const QWidget* owner = box.parentWidget();
      boxes.push_back({box.windowTitle(), box.text(), box.icon(), owner ? owner->objectName() : QString(),
                       QGuiApplication::overrideCursor() != nullptr});
      log.push_back(QStringLiteral("box:") + box.windowTitle());
      QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
    });
    SetLinkHookForTesting([this](const QUrl& url) { log.push_back(QStringLiteral("link:") + url.toString()); });
  }
  ~BoxWatcher() {
    SetMessageBoxHookForTesting({});
    SetLinkHookForTesting({});
  }
  std::vector<SeenBox> boxes;
  QStringList log;
};

// A settings directory of the test's own, and an export to convert.
class Workspace {
 public:
  Workspace() {
    SetSettingsDirectoryForTesting(QFile::encodeName(dir.path()).toStdString());
    WriteFileBytes(Path("export.csv").toStdString(),
                   Sjis("\"件名\",\"場所\",\"開始日\",\"開始時刻\",\"終了日\",\"終了時刻\",\"アラーム\","
                        "\"アラーム日\",\"アラーム時刻\",\"メモ\"\r\n"
                        "\"会議\",\"本社\",\"2024/05/01\",\"10:00:00\",\"2024/05/01\",\"11:00:00\","
                        "\"FALSE\",\"\",\"\",\"議題\"\r\n"
                        "\"休暇\",\"\",\"2024/05/02\",\"9:00:00\",\"2024/05/02\",\"18:00:00\","
                        "\"FALSE\",\"\",\"\",\"\"\r\n"));
  }
  ~Workspace() { SetSettingsDirectoryForTesting(std::nullopt); }
  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  std::string Bytes(const char* name) const { return ReadFileBytes(Path(name).toStdString()); }
  bool Exists(const char* name) const { return QFileInfo::exists(Path(name)); }

  QTemporaryDir dir;
};

// Runs the program's main window with script run inside its event loop. The
// window is closed after the script unless the script ended the program itself.
int RunProgram(const std::function<void(MainWindow&)>& script, const std::string& inputFile = std::string()) {
  QTimer::singleShot(0, [script] {
    QPointer<MainWindow> form;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<MainWindow*>(widget)) form = window;
    }
    script(*form);
    if (form && form->isVisible()) form->close();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    QTest::qFail("the program did not end", __FILE__, __LINE__);
    QCoreApplication::quit();
  });
  watchdog.start(30000);
  return RunMainWindow(inputFile);
}

// Keys for ASCII text; other text arrives as an input method commits it.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClicks(widget, QString(c));
      continue;
    }
    QInputMethodEvent event;
    event.setCommitString(QString(c));
    QCoreApplication::sendEvent(widget, &event);
  }
}

// Closes a modal window however a check in between ended, so no loop is left running.
struct CloseOnExit {
  QPointer<QWidget> window;
  ~CloseOnExit() {
    if (window && window->isVisible()) window->close();
  }
};

void PressEnter(QWidget* widget) { QTest::keyClick(widget, Qt::Key_Return); }

std::string ExportOf(const std::string& startDate) {
  return "\"h\"\r\n\"t\",\"p\",\"" + startDate + "\",\"10:00:00\",\"" + startDate +
         "\",\"11:00:00\",\"FALSE\",\"\",\"\",\"\"\r\n";
}

// A file dragged from a file manager and dropped on target; true when taken.
bool DropFile(QWidget* target, const QString& file) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return enter.isAccepted() && drop.isAccepted();
}

// Rows of an image holding a pixel darker than the background's middle grey.
int InkRows(const QImage& image) {
  int rows = 0;
  for (int y = 0; y < image.height(); ++y) {
    bool ink = false;
    for (int x = 0; x < image.width() && !ink; ++x) ink = image.pixelColor(x, y).lightness() < 128;
    rows += ink ? 1 : 0;
  }
  return rows;
}

// The ink rows of a label's text drawn with room to spare.
int InkRowsOfText(const QLabel* label) {
  QImage image(label->width() + 20, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(label->font());
  painter.setPen(Qt::black);
  painter.drawText(QPoint(0, 20), label->text());
  return InkRows(image);
}

// The longest run of one colour in any row of the image.
int LongestRun(const QImage& image, const QColor& colour) {
  int longest = 0;
  for (int y = 0; y < image.height(); ++y) {
    int run = 0;
    for (int x = 0; x < image.width(); ++x) {
      run = image.pixelColor(x, y) == colour ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  return longest;
}

// Notes the cursor shown while the output file is written.
class CursorSpy : public platform::FileWriteSeam {
 public:
  long Write(int fd, const char* data, std::size_t size) override {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    shapes.push_back(cursor != nullptr ? cursor->shape() : Qt::ArrowCursor);
    return ::write(fd, data, size);
  }
  std::vector<Qt::CursorShape> shapes;
};

// An object whose events raise, to reach the application's dispatch directly.
class Raiser : public QObject {
 public:
  explicit Raiser(AnsiText message) : message_(std::move(message)) {}
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw PlainError(message_);
    return QObject::event(event);
  }

 private:
  AnsiText message_;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The program loads the regional settings before anything else; so do the tests.
  void initTestCase() {
    QVERIFY(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
  }

  void firstStartShowsNoBoxAndEmptyControls() {
    Workspace work;
    BoxWatcher watcher;
    const int code = RunProgram([](MainWindow& form) {
      QVERIFY(form.optionMemo->toPlainText().isEmpty());
      QVERIFY(form.filterMemo->toPlainText().isEmpty());
      QVERIFY(form.inputEdit->text().isEmpty());
      QVERIFY(form.outputEdit->text().isEmpty());
      QVERIFY(!form.autoTerminateBox->isChecked());
      QCOMPARE(form.focusWidget(), form.convertButton);
    });
    QCOMPARE(code, 0);
    QCOMPARE(watcher.boxes.size(), size_t{0});
    QCOMPARE(work.Bytes("option.txt"), std::string());
    QCOMPARE(work.Bytes("filter.txt"), std::string());
    QCOMPARE(work.Bytes(kIni), std::string("[i/o]\r\ninput=\r\noutput=\r\nterminate=0\r\n"));
  }

  void typedValuesConvertAndPersist() {
    Workspace work;
    BoxWatcher watcher;
    const QString input = work.Path("export.csv");
    const QString output = work.Path("calendar.vcs");
    RunProgram([&](MainWindow& form) {
      Type(form.inputEdit, input);
      Type(form.outputEdit, output);
      Type(form.optionMemo, QStringLiteral("CATEGORIES:WORK"));
      PressEnter(form.optionMemo);  // a line break, no conversion
      Type(form.optionMemo, QStringLiteral("CLASS:PRIVATE"));
      Type(form.filterMemo, QStringLiteral("休暇"));
      QCOMPARE(watcher.boxes.size(), size_t{0});

      PressEnter(form.inputEdit);
      QCOMPARE(watcher.boxes.size(), size_t{1});
      QCOMPARE(watcher.boxes[0].caption, QStringLiteral("変換の完了"));
      QCOMPARE(watcher.boxes[0].icon, QMessageBox::Information);
      QCOMPARE(watcher.boxes[0].owner, QStringLiteral("Form1"));
      QCOMPARE(watcher.boxes[0].text, kCompletionOneEach);
      QVERIFY(QFileInfo::exists(output));

      PressEnter(form.outputEdit);
      form.autoTerminateBox->setFocus();
      PressEnter(form.autoTerminateBox);
      QTest::mouseClick(form.convertButton, Qt::LeftButton);
      QCOMPARE(watcher.boxes.size(), size_t{4});
      QVERIFY(form.isVisible());
    });
    QCOMPARE(work.Bytes("option.txt"), std::string("CATEGORIES:WORK\r\nCLASS:PRIVATE"));
    QCOMPARE(work.Bytes("filter.txt"), Sjis("休暇"));
    QCOMPARE(work.Bytes(kIni), ("[i/o]\r\ninput=" + input.toStdString() + "\r\noutput=" +
                                          output.toStdString() + "\r\nterminate=0\r\n"));
  }

  void autoTerminateEndsTheProgramAfterTheBox() {
    Workspace work;
    BoxWatcher watcher;
    const std::string ini = "[i/o]\r\ninput=" + work.Path("export.csv").toStdString() +
                            "\r\noutput=" + work.Path("out.vcs").toStdString() + "\r\nterminate=1\r\n";
    WriteFileBytes(work.Path(kIni).toStdString(), ini);
    WriteFileBytes(work.Path("filter.txt").toStdString(), Sjis("休暇"));
    bool stillRunning = false;
    const int code = RunProgram([&](MainWindow& form) {
      QVERIFY(form.autoTerminateBox->isChecked());
      QTest::mouseClick(form.convertButton, Qt::LeftButton);
      stillRunning = form.isVisible();  // the end comes once this event is done
      QTimer::singleShot(1000, &form, [&stillRunning] { stillRunning = true; });
    });
    QCOMPARE(code, 0);
    QVERIFY(!stillRunning);
    QCOMPARE(watcher.boxes.size(), size_t{1});
    QCOMPARE(watcher.boxes[0].text, kCompletionOneEach);
    QVERIFY(work.Exists("out.vcs"));
    QCOMPARE(work.Bytes("option.txt"), std::string());
    QCOMPARE(work.Bytes("filter.txt"), Sjis("休暇"));
    QCOMPARE(work.Bytes(kIni), ini);
  }

  void failedConversionShowsTheErrorAndTheProgramGoesOn() {
    Workspace work;
    BoxWatcher watcher;
    WriteFileBytes(work.Path(kIni).toStdString(), "[i/o]\r\nterminate=1\r\n");
    RunProgram([&](MainWindow& form) {
      QTest::mouseClick(form.convertButton, Qt::LeftButton);  // both paths empty
      QCOMPARE(watcher.boxes.size(), size_t{1});
      const SeenBox& box = watcher.boxes[0];
      QCOMPARE(box.caption, kTitle);
      QCOMPARE(box.icon, QMessageBox::Critical);
      QCOMPARE(box.owner, QString());
      QVERIFY2(box.text.endsWith(QStringLiteral(" は開けません.")), qPrintable(box.text));
      QVERIFY(form.isVisible());

      // Corrected, the same window converts.
      Type(form.inputEdit, work.Path("export.csv"));
      Type(form.outputEdit, work.Path("out.vcs"));
      form.autoTerminateBox->setChecked(false);
      QTest::mouseClick(form.convertButton, Qt::LeftButton);
      QCOMPARE(watcher.boxes.size(), size_t{2});
      QCOMPARE(watcher.boxes[1].caption, QStringLiteral("変換の完了"));
    });
  }

  void iniValuesSurviveAMissingSideFile() {
    Workspace work;
    BoxWatcher watcher;
    const std::string ini = "[i/o]\r\ninput=a.csv\r\noutput=b.vcs\r\nterminate=$A\r\n";
    WriteFileBytes(work.Path(kIni).toStdString(), ini);
    WriteFileBytes(work.Path("filter.txt").toStdString(), "F1\nF2");
    RunProgram([](MainWindow& form) {
      QCOMPARE(form.inputEdit->text(), QStringLiteral("a.csv"));
      QCOMPARE(form.outputEdit->text(), QStringLiteral("b.vcs"));
      QVERIFY(form.autoTerminateBox->isChecked());
      QCOMPARE(form.filterMemo->toPlainText(), QStringLiteral("F1\nF2"));
    });
    QCOMPARE(watcher.boxes.size(), size_t{0});
    QCOMPARE(work.Bytes(kIni), std::string("[i/o]\r\ninput=a.csv\r\noutput=b.vcs\r\nterminate=1\r\n"));
    QCOMPARE(work.Bytes("filter.txt"), std::string("F1\r\nF2"));
  }

  // Opening and closing the window changes no byte of what it loaded: not the
  // bytes without a character, not a character's second encoding, not a path
  // the code page cannot hold. Only line breaks become CR LF.
  void sideFilesAndPathsComeBackAsTheyWere() {
    Workspace work;
    BoxWatcher watcher;
    // A lead byte before a line break (here also the last byte of UTF-8 "）").
    const std::string option = "A\x80" "B\r\n\xED\x40\r\nX-A:\x81\r\n\xA0\xFD\r\nend\x81";
    const std::string ini = "[i/o]\r\ninput=/tmp/caf?.csv\r\noutput=" + Sjis("/出力.vcs") +
                            "\r\nterminate=0\r\ninput-bytes=/tmp/caf%C3%A9.csv\r\n";
    WriteFileBytes(work.Path("option.txt").toStdString(), option);
    WriteFileBytes(work.Path("filter.txt").toStdString(), "F\xED\x40\n\xEF\xBC\x89\nG");
    WriteFileBytes(work.Path(kIni).toStdString(), ini);
    RunProgram([](MainWindow& form) {
      QCOMPARE(form.inputEdit->text(), QStringLiteral("/tmp/café.csv"));
      QCOMPARE(form.outputEdit->text(), QStringLiteral("/出力.vcs"));
    });
    QCOMPARE(watcher.boxes.size(), size_t{0});
    QCOMPARE(work.Bytes("option.txt"), option);
    QCOMPARE(work.Bytes("filter.txt"), std::string("F\xED\x40\r\n\xEF\xBC\x89\r\nG"));
    QCOMPARE(work.Bytes(kIni), ini);

    // Edited, the lines the user did not touch still keep their bytes, and a
    // typed name reaches the file system as typed.
    RunProgram([&](MainWindow& form) {
      form.optionMemo->moveCursor(QTextCursor::End);
      PressEnter(form.optionMemo);
      Type(form.optionMemo, QStringLiteral("new"));
      form.inputEdit->setText(work.Path("export.csv"));
      form.outputEdit->clear();
      Type(form.outputEdit, work.Path("café.vcs"));
      QTest::mouseClick(form.convertButton, Qt::LeftButton);
    });
    QCOMPARE(work.Bytes("option.txt"), option + "\r\nnew");
    QVERIFY(work.Exists("café.vcs"));
    QVERIFY(!work.Exists("caf?.vcs"));
  }

  // The real program, told to end by SIGTERM as a session's end does.
  // Unsaveable settings are reported on stderr instead of in a box; and when
  // it cannot even get to ending in order (here it waits for a FIFO that
  // nobody writes), a second SIGTERM ends it at once.
  void theProgramEndsOnSigterm() {
    struct Row {
      const char* name;
      const char* blocker;  // made in the program's directory
      int terminations;
      int exitCode;
      const char* reported;
    };
    const Row rows[] = {
        {"settings that cannot be saved", "quillmer.ini", 1, 0, "quillmer.ini に書き込めません."},
        {"stuck in a FIFO without a writer", "option.txt", 2, 128 + SIGTERM, "quillmer: interrupted by SIGTERM"},
    };
    for (const Row& row : rows) {
      QTemporaryDir dir;
      const QString program = dir.filePath(QStringLiteral("quillmer"));
      QVERIFY(QFile::copy(QStringLiteral(QUILLMER_BINARY_DIR "/quillmer"), program));
      const QString blocker = dir.filePath(QString::fromUtf8(row.blocker));
      if (row.terminations == 1) {
        QVERIFY(QDir(dir.path()).mkdir(blocker));
      } else {
        QCOMPARE(::mkfifo(QFile::encodeName(blocker).constData(), 0600), 0);
      }
      QProcess process;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
      process.setProcessEnvironment(environment);
      process.start(program, {});
      QVERIFY(process.waitForStarted());
      for (int i = 0; i < row.terminations; ++i) {
        QTest::qWait(1000);
        process.terminate();
      }
      const bool ended = process.waitForFinished(10000);
      if (!ended) process.kill();
      QVERIFY2(ended, row.name);
      QCOMPARE(process.exitStatus(), QProcess::NormalExit);
      QCOMPARE(process.exitCode(), row.exitCode);
      const QString errors = QString::fromUtf8(process.readAllStandardError());
      QVERIFY2(errors.contains(QString::fromUtf8(row.reported)), qPrintable(errors));
    }
  }

  // At a session's end there is nobody to close a box: the settings that
  // cannot be saved are reported on the standard error and the program ends.
  void endingOnASignalReportsUnsavedSettingsOnStandardError() {
    Workspace work;
    BoxWatcher watcher;
    QDir(work.dir.path()).mkdir(QString::fromLatin1(kIni));
    const QString errors = work.Path("stderr");
    const int saved = ::dup(2);
    const int log = ::open(errors.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(log, 2);
    const int code = RunProgram([](MainWindow&) {
      qobject_cast<QuillmerApplication*>(QCoreApplication::instance())->RequestEnd();
    });
    ::dup2(saved, 2);
    ::close(saved);
    ::close(log);
    QCOMPARE(code, 0);
    QCOMPARE(watcher.boxes.size(), size_t{0});
    const std::string reported = work.Bytes("stderr");
    QVERIFY2(reported.find(std::string(kIni) + " に書き込めません.") != std::string::npos, reported.c_str());
  }

  void unreadableSideFileIsShownAndTheRestLoads() {
    Workspace work;
    BoxWatcher watcher;
    QDir(work.dir.path()).mkdir(QStringLiteral("option.txt"));
    WriteFileBytes(work.Path("filter.txt").toStdString(), "F");
    WriteFileBytes(work.Path(kIni).toStdString(), "[i/o]\r\ninput=a.csv\r\n");
    MainWindow form;
    QCOMPARE(watcher.boxes.size(), size_t{1});
    QCOMPARE(watcher.boxes[0].caption, kTitle);
    QVERIFY(watcher.boxes[0].text.contains(QStringLiteral("option.txt")));
    QVERIFY(watcher.boxes[0].text.endsWith(QLatin1Char('.')));
    QCOMPARE(form.filterMemo->toPlainText(), QStringLiteral("F"));
    QCOMPARE(form.inputEdit->text(), QStringLiteral("a.csv"));
  }

  void tabWalksTheControlsAndLeavesTheMemos() {
    Workspace work;
    BoxWatcher watcher;
    RunProgram([](MainWindow& form) {
      form.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      QWidget* const order[] = {form.convertButton, form.inputEdit, form.outputEdit, form.autoTerminateBox,
                                form.optionMemo, form.filterMemo, form.convertButton};
      for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QCOMPARE(QApplication::focusWidget(), order[i]);
        QTest::keyClick(order[i], Qt::Key_Tab);
      }
      QCOMPARE(QApplication::focusWidget(), form.convertButton);
      QVERIFY(form.optionMemo->toPlainText().isEmpty());
    });
  }

  // Both windows are what the shell's layouts list: each control in its
  // parent at its place, with its caption and tooltip.
  void windowsFollowTheLayouts() {
    Workspace work;
    MainWindow form;
    AboutBox about(&form);
    QCOMPARE(form.windowTitle(), kTitle);
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form.frameGeometry().center(), form.screen()->availableGeometry().center());
    QVERIFY(form.font().families().contains(QStringLiteral("IPAPGothic")));
    for (auto [window, layout] : {std::pair<QWidget*, const WindowLayout*>{&form, &MainWindowLayout()},
                                  std::pair<QWidget*, const WindowLayout*>{&about, &AboutBoxLayout()}}) {
      QCOMPARE(window->objectName(), LayoutText(layout->name));
      QCOMPARE(window->size(), QSize(layout->width, layout->height));
      QCOMPARE(window->minimumSize(), window->maximumSize());
      QCOMPARE(window->font().pixelSize(), 12);
      for (const ControlLayout& row : layout->controls) {
        const auto* control = window->findChild<QWidget*>(LayoutText(row.name));
        QVERIFY2(control != nullptr, row.name.data());
        QCOMPARE(control->parentWidget()->objectName(), LayoutText(row.parent.empty() ? layout->name : row.parent));
        QCOMPARE(control->pos(), QPoint(row.rect.left, row.rect.top));
        QCOMPARE(control->height(), row.rect.height);
        // A label may widen to its text; nothing else changes size.
        if (qobject_cast<const QLabel*>(control)) QVERIFY(control->width() >= row.rect.width);
        else QCOMPARE(control->width(), row.rect.width);
        QCOMPARE(control->toolTip(), LayoutText(row.tooltip));
        QString caption;
        if (auto* label = qobject_cast<const QLabel*>(control)) caption = label->text();
        if (auto* button = qobject_cast<const QAbstractButton*>(control)) caption = button->text();
        if (auto* group = qobject_cast<const QGroupBox*>(control)) caption = group->title();
        QCOMPARE(caption, LayoutText(row.caption));
      }
    }
    QVERIFY(form.convertButton->isDefault());
    for (QPlainTextEdit* memo : {form.optionMemo, form.filterMemo}) {
      QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
      QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    QVERIFY(form.aboutLink->font().underline());
    QCOMPARE(form.aboutLink->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(form.aboutLink->cursor().shape(), Qt::PointingHandCursor);
  }

  void messagesReadAsJapaneseUnderEnglishSettings() {
    Workspace work;
    BoxWatcher watcher;
    QVERIFY(platform::UseRegionalProfile("en-US"));
    LoadDateTextSettings();
    const struct Restore {
      ~Restore() {
        platform::UseRegionalProfile("ja-JP");
        LoadDateTextSettings();
      }
    } restore;
    // A character of code page 1252 quoted inside the system's Japanese text.
    WriteFileBytes(work.Path("bad.csv").toStdString(), ExportOf("13/1/2024\xE9"));
    WriteFileBytes(work.Path("day-first.csv").toStdString(), ExportOf("13/1/2024"));
    WriteFileBytes(work.Path("good.csv").toStdString(), ExportOf("1/2/2024"));
    MainWindow form;
    form.outputEdit->setText(work.Path("out.vcs"));
    for (const char* input : {"bad.csv", "day-first.csv", "good.csv"}) {
      form.inputEdit->setText(work.Path(input));
      QTest::mouseClick(form.convertButton, Qt::LeftButton);
    }
    QCOMPARE(watcher.boxes.size(), size_t{3});
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("'13/1/2024é 10:00:00' は日付または時刻ではありません."));
    QCOMPARE(watcher.boxes[1].text,
             QStringLiteral("'13/1/2024 10:00:00' は日付または時刻ではありません。月/日/年の順では読めませんが、"
                            "日/月/年の順の日付として読めます。--locale en-GB (ウィンドウでは環境変数 "
                            "QUILLMER_LOCALE=en-GB) を指定してください."));
    QCOMPARE(watcher.boxes[2].caption, QStringLiteral("変換の完了"));
    QCOMPARE(watcher.boxes[2].text, QStringLiteral("変換と出力が完了しました\n\n・変換対象: 1件\n・フィルタ対象: 0件"));
    QVERIFY(!watcher.boxes[0].waitCursor && !watcher.boxes[2].waitCursor);

    setenv("QUILLMER_LOCALE", "fr-FR", 1);
    const std::optional<std::string> unknown = ChooseRegionalProfile(std::nullopt);
    unsetenv("QUILLMER_LOCALE");
    QCOMPARE(unknown.value_or(""), std::string("fr-FR"));
    ShowErrorBox(UnknownProfileError(*unknown));
    QCOMPARE(watcher.boxes.back().caption, kTitle);
    QCOMPARE(watcher.boxes.back().text,
             QStringLiteral("QUILLMER_LOCALE の地域設定 \"fr-FR\" はありません。ja-JP の設定で続けます "
                            "(使用できる設定: ja-JP, ja-JP-u-ca-japanese, en-US, en-GB)"));
  }

  void filesDroppedOrChosenFillThePathEdits() {
    Workspace work;
    BoxWatcher watcher;
    std::vector<FileChoice> asked;
    QString answer;
    SetFileChooserHookForTesting([&](const FileChoice& choice) {
      asked.push_back(choice);
      return answer;
    });
    const struct Restore {
      ~Restore() { SetFileChooserHookForTesting({}); }
    } restore;
    MainWindow form;
    form.show();

    struct Drop {
      const char* name;
      QWidget* target;
      QString file;
      QLineEdit* filled;
    };
    const Drop drops[] = {
        {"onto the output edit", form.outputEdit, QStringLiteral("/data/out.vcs"), form.outputEdit},
        {"onto the input edit", form.inputEdit, QStringLiteral("/data/予定 1.csv"), form.inputEdit},
        {"onto a memo", form.optionMemo->viewport(), QStringLiteral("/data/b.csv"), form.inputEdit},
        {"onto the window", &form, QStringLiteral("/data/c.csv"), form.inputEdit},
    };
    for (const Drop& drop : drops) {
      QVERIFY2(DropFile(drop.target, drop.file), drop.name);
      QCOMPARE(drop.filled->text(), drop.file);
      QCOMPARE(drop.filled->toolTip(), drop.file);
    }
    QCOMPARE(form.outputEdit->text(), QStringLiteral("/data/out.vcs"));
    QVERIFY(form.optionMemo->toPlainText().isEmpty());

    answer = QStringLiteral("/data/chosen.csv");
    QTest::mouseDClick(form.inputEdit, Qt::LeftButton);
    QCOMPARE(form.inputEdit->text(), answer);
    QCOMPARE(asked.size(), size_t{1});
    QVERIFY(!asked[0].save);
    QCOMPARE(asked[0].startPath, QStringLiteral("/data/c.csv"));
    QVERIFY(asked[0].filter.startsWith(QStringLiteral("CSV ファイル (*.csv)")));

    // The output's chooser from the edit's context menu: the input's name in the input's folder, with
    // the extension of the format the output's name chooses now.
    answer = QStringLiteral("/elsewhere/chosen.vcs");
    QTimer::singleShot(0, [] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu != nullptr);
      for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("参照...")) action->trigger();
      menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), form.outputEdit->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(form.outputEdit, &menuEvent);
    QCOMPARE(form.outputEdit->text(), answer);
    QCOMPARE(asked.size(), size_t{2});
    QVERIFY(asked[1].save);
    QCOMPARE(asked[1].startPath, QStringLiteral("/data/chosen.vcs"));
    QCOMPARE(asked[1].filter, QStringLiteral("iCalendar (*.ics);;vCalendar (*.vcs)"));
    QCOMPARE(asked[1].selectedFilter, QStringLiteral("vCalendar (*.vcs)"));

    answer.clear();  // cancelled: nothing changes
    QTest::mouseDClick(form.outputEdit, Qt::LeftButton);
    QCOMPARE(form.outputEdit->text(), QStringLiteral("/elsewhere/chosen.vcs"));
    QCOMPARE(watcher.boxes.size(), size_t{0});

    // With no output yet iCalendar is offered; a name without an extension
    // takes the chosen filter's, and the name then chooses what is written.
    form.inputEdit->setText(work.Path("export.csv"));
    form.outputEdit->clear();
    answer = work.Path("calendar");
    QTest::mouseDClick(form.outputEdit, Qt::LeftButton);
    QCOMPARE(asked.back().startPath, work.Path("export.ics"));
    QCOMPARE(asked.back().selectedFilter, QStringLiteral("iCalendar (*.ics)"));
    QCOMPARE(form.outputEdit->text(), work.Path("calendar.ics"));
    QTest::mouseClick(form.convertButton, Qt::LeftButton);
    QVERIFY(work.Bytes("calendar.ics").starts_with("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"));
    QCOMPARE(watcher.boxes.size(), size_t{1});
  }

  void waitCursorOnlyWhileConverting() {
    Workspace work;
    BoxWatcher watcher;
    CursorSpy spy;
    platform::SetFileWriteSeamForTesting(&spy);
    MainWindow form;
    form.inputEdit->setText(work.Path("export.csv"));
    form.outputEdit->setText(work.Path("out.vcs"));
    QTest::mouseClick(form.convertButton, Qt::LeftButton);
    form.inputEdit->setText(work.Path("missing.csv"));
    QTest::mouseClick(form.convertButton, Qt::LeftButton);
    platform::SetFileWriteSeamForTesting(nullptr);
    QVERIFY(!spy.shapes.empty());
    for (Qt::CursorShape shape : spy.shapes) QCOMPARE(shape, Qt::WaitCursor);
    QCOMPARE(watcher.boxes.size(), size_t{2});
    QVERIFY(!watcher.boxes[0].waitCursor && !watcher.boxes[1].waitCursor);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }

  void fileArgumentFillsTheInputPathOnly() {
    Workspace work;
    BoxWatcher watcher;
    WriteFileBytes(work.Path(kIni).toStdString(), "[i/o]\r\ninput=a.csv\r\noutput=b.vcs\r\nterminate=0\r\n");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.dir.path());
    RunProgram(
        [&](MainWindow& form) {
          QCOMPARE(form.inputEdit->text(), work.Path("given.csv"));
          QCOMPARE(form.outputEdit->text(), QStringLiteral("b.vcs"));
        },
        "given.csv");
    QDir::setCurrent(previous);
    QVERIFY(work.Bytes(kIni).find("input=" + work.Path("given.csv").toStdString()) != std::string::npos);
  }

  // The layout's 12-pixel labels hold a 13-pixel face: the link's underline and
  // the descenders of "Copyright" must still be drawn inside them.
  void linkUnderlinesAndDescendersAreDrawn() {
    Workspace work;
    MainWindow form;
    form.show();
    AboutBox about(&form);
    about.ShowVersionInfo();
    about.noticeGroup->hide();
    about.contactGroup->show();
    about.show();
    const QList<LinkLabel*> links = {form.aboutLink, about.webSiteLink, about.usersSiteLink, about.mailLink};
    for (LinkLabel* link : links) {
      QCOMPARE(link->height(), 12);
      const int textWidth = QFontMetrics(link->font()).horizontalAdvance(link->text());
      QVERIFY2(LongestRun(link->grab().toImage(), QColor(Qt::blue)) >= textWidth - 1, qPrintable(link->text()));
    }
    for (QLabel* label : {about.copyrightLabel, about.productNameLabel, about.versionLabel}) {
      QCOMPARE(label->height(), 12);
      QCOMPARE(InkRows(label->grab().toImage()), InkRowsOfText(label));
    }
  }

  void aboutBoxShowsTheNoticeAndWarnsBeforeMail() {
    Workspace work;
    BoxWatcher watcher;
    QPointer<AboutBox> first;
    RunProgram([&](MainWindow& form) {
      QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        QVERIFY(about != nullptr);
        first = about;
        const CloseOnExit closer{about};
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(about->parentWidget(), &form);
        QCOMPARE(about->productNameLabel->text(), QStringLiteral("Kivaro for iPod series"));
        QVERIFY(about->productNameLabel->font().bold());
        QCOMPARE(about->versionLabel->text(),
                 QString::fromLatin1(ComposeAboutCaptions(ProgramVersionInfo()).version));
        QVERIFY(about->copyrightLabel->text().startsWith(QStringLiteral("Copyright")));
        QVERIFY(about->noticeGroup->isVisible());
        QVERIFY(!about->contactGroup->isVisible());
        QCOMPARE(about->noticeWebSiteLink->text(), QStringLiteral("http://example.com/kivaro/"));
        QCOMPARE(about->focusWidget(), about->okButton);

        QTest::mouseClick(about->noticeWebSiteLink, Qt::LeftButton);
        // The contact group, as a supported build shows it.
        about->noticeGroup->hide();
        about->contactGroup->show();
        QTest::mouseClick(about->mailLink, Qt::LeftButton);
        QTest::mouseClick(about->okButton, Qt::LeftButton);
      });
      QTest::mouseClick(form.aboutLink, Qt::LeftButton);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QVERIFY2(first.isNull(), "the closed about box is destroyed");

      QTimer::singleShot(0, [] {
        QWidget* about = QApplication::activeModalWidget();
        QVERIFY(about != nullptr);
        QTest::keyClick(about, Qt::Key_Return);  // Enter presses OK
      });
      QTest::mouseClick(form.aboutLink, Qt::LeftButton);
      QVERIFY(QApplication::activeModalWidget() == nullptr);
    });
    const QStringList expected = {
        QStringLiteral("link:http://example.com/kivaro/"),
        QStringLiteral("box:ヘルプ参照のお願い"),
        QStringLiteral("link:mailto:support@example.com"),
    };
    QCOMPARE(watcher.log, expected);
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(watcher.boxes[0].owner, QStringLiteral("frmAbout"));
    QVERIFY(watcher.boxes[0].text.startsWith(QStringLiteral("お問い合わせになる前に，必ず")));
  }

  void errorsEscapingAnyHandlerAreShownWithTheFullStopRule() {
    BoxWatcher watcher;
    struct Row {
      const char* name;
      AnsiText message;
      QString shown;
    };
    const Row rows[] = {
        {"letter", "abc", QStringLiteral("abc.")},
        {"full stop", "abc.", QStringLiteral("abc.")},
        {"parenthesis", "index (3)", QStringLiteral("index (3)")},
        {"blank", "abc ", QStringLiteral("abc ")},
        {"double-byte end", Sjis("書き込めません"), QStringLiteral("書き込めません.")},
    };
    QWidget grabber;
    grabber.show();
    for (const Row& row : rows) {
      grabber.grabMouse();
      Raiser raiser(row.message);
      QEvent event(QEvent::User);
      QCoreApplication::sendEvent(&raiser, &event);
      QVERIFY2(QWidget::mouseGrabber() == nullptr, row.name);
      QCOMPARE(watcher.boxes.back().text, row.shown);
      QCOMPARE(watcher.boxes.back().caption, kTitle);
    }
    QCOMPARE(watcher.boxes.size(), std::size(rows));
  }
};

int main(int argc, char** argv) {
  QuillmerApplication app(argc, argv);
  app.SetTitle(QStringFromAnsi(ApplicationTitle()));
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
