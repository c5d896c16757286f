#include "app/qt/main_window.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QStringList>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <memory>

#include "app/path_choice.h"
#include "app/qt/about_box.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/icons.h"
#include "app/qt/layout_widgets.h"
#include "app/qt/link_label.h"
#include "app/qt/preview_dialog.h"
#include "app/settings.h"

namespace {

// The first local file a drag carries; empty for anything else.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr) return QString();
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return QString();
}

// The wait cursor for as long as the conversion runs, however it ends.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsEnter(QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent, const std::string& fileArgument)
    : QWidget(parent, Qt::Window), form_(*this, SettingsProgramPath(ExecutableName())) {
  const WindowLayout& layout = MainWindowLayout();
  setObjectName(LayoutText(layout.name));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(layout.width, layout.height);
  setFont(MainWindowFont());
  setWindowIcon(MainIcon());
  if (auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance()))
    setWindowTitle(app->Title());

  // The layout's own ids name the controls.
  const std::map<std::string_view, QWidget*> controls = CreateLayoutControls(this, layout);
  convertButton = LayoutControl<QPushButton>(controls, "Button1");
  inputEdit = LayoutControl<QLineEdit>(controls, "Edit1");
  outputEdit = LayoutControl<QLineEdit>(controls, "Edit2");
  autoTerminateBox = LayoutControl<QCheckBox>(controls, "chkAutoTerminate");
  optionMemo = LayoutControl<QPlainTextEdit>(controls, "memOption");
  filterMemo = LayoutControl<QPlainTextEdit>(controls, "memFilter");
  aboutLink = LayoutControl<LinkLabel>(controls, "Label5");
  previewLink = LayoutControl<LinkLabel>(controls, "lblPreview");
  convertButton->setFocus();

  connect(convertButton, &QPushButton::clicked, this, Guarded([this] { Convert(); }));
  connect(aboutLink, &LinkLabel::clicked, this, Guarded([this] { ShowAboutBox(); }));
  connect(previewLink, &LinkLabel::clicked, this, Guarded([this] { ShowPreview(); }));
  // Enter in an edit or on the check box converts, as the default button would.
  connect(inputEdit, &QLineEdit::returnPressed, convertButton, &QPushButton::click);
  connect(outputEdit, &QLineEdit::returnPressed, convertButton, &QPushButton::click);
  autoTerminateBox->installEventFilter(this);

  // The desktop's ways of naming a file: drop it, double-click an edit or use
  // its context menu; the whole path shows as the edit's tooltip.
  setAcceptDrops(true);
  for (QLineEdit* edit : {inputEdit, outputEdit}) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
  }
  // A memo takes dropped text as usual; a dropped file still names the input.
  for (QPlainTextEdit* memo : {optionMemo, filterMemo}) memo->viewport()->installEventFilter(this);

  CentreOnScreen(this);

  form_.Create(fileArgument, [](const QuillmerError& error) { ShowErrorBox(error); });
}

void MainWindow::Convert() {
  const ConversionResult result = [this] {
    const WaitCursor waiting;
    return ConversionRun(form_.Request());
  }();
  const ConvertOutcome outcome = form_.Converted(result);
  ShowFixedTextBox(this, outcome.box);
  if (outcome.quit) QCoreApplication::quit();
}

void MainWindow::ShowAboutBox() {
  auto* about = new AboutBox(this);
  about->exec();
  about->deleteLater();
}

void MainWindow::ShowPreview() {
  auto* preview =
      new PreviewDialog(form_.Request(), this, [this](std::shared_ptr<const TimeZone> zone) { form_.UseZone(zone); });
  preview->exec();
  delete preview;
}

void MainWindow::BrowseForPath(PathEdit edit) {
  const PathChoice offered = ChoiceForPathEdit(form_, edit);
  QStringList filters;
  for (const FileFilter& filter : offered.filters) filters << QStringFromFixed(filter.name);
  FileChoice choice;
  choice.save = offered.save;
  choice.caption = QStringFromFixed(offered.caption);
  choice.startPath = QFile::decodeName(QByteArray::fromStdString(offered.startPath));
  choice.filter = filters.join(QStringLiteral(";;"));
  choice.selectedFilter = filters.value(static_cast<qsizetype>(offered.filter));
  const QString chosen = ChooseFile(this, choice);
  if (chosen.isEmpty()) return;
  const qsizetype filter = filters.indexOf(choice.selectedFilter);
  const std::string path = ChosenPath(offered, QFile::encodeName(chosen).toStdString(),
                                      static_cast<std::size_t>(filter < 0 ? offered.filter : filter));
  EditControl(edit)->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool MainWindow::PathEditEvent(PathEdit edit, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      QuillmerApplication::RunHandler([this, edit] { BrowseForPath(edit); });
      return true;
    case QEvent::ContextMenu: {
      const std::unique_ptr<QMenu> menu(EditControl(edit)->createStandardContextMenu());
      menu->addSeparator();
      connect(menu->addAction(LayoutText(BrowseCommand)), &QAction::triggered, this,
              Guarded([this, edit] { BrowseForPath(edit); }));
      menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString file = DraggedFile(drop->mimeData());
      if (file.isEmpty()) return false;
      drop->acceptProposedAction();
      if (event->type() == QEvent::Drop) EditControl(edit)->setText(file);
      return true;
    }
    default:
      return false;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == autoTerminateBox && IsEnter(event)) {
    convertButton->click();
    return true;
  }
  if (watched == inputEdit || watched == outputEdit)
    return PathEditEvent(watched == inputEdit ? PathEdit::Input : PathEdit::Output, event);
  if (watched == optionMemo->viewport() || watched == filterMemo->viewport()) {
    const bool dragging = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                          event->type() == QEvent::Drop;
    if (dragging && !DraggedFile(static_cast<QDropEvent*>(event)->mimeData()).isEmpty())
      return PathEditEvent(PathEdit::Input, event);
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  inputEdit->setText(file);
}

QPlainTextEdit* MainWindow::MemoControl(Memo memo) const { return memo == Memo::Option ? optionMemo : filterMemo; }

QLineEdit* MainWindow::EditControl(PathEdit edit) const { return edit == PathEdit::Input ? inputEdit : outputEdit; }

AnsiText MainWindow::MemoText(Memo memo) const {
  QString text = MemoControl(memo)->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return AnsiFromQString(text);
}

void MainWindow::SetMemoText(Memo memo, const AnsiText& text) {
  QString shown = QStringFromAnsi(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  MemoControl(memo)->setPlainText(shown);
}

std::string MainWindow::EditText(PathEdit edit) const { return QFile::encodeName(EditControl(edit)->text()).toStdString(); }

void MainWindow::SetEditText(PathEdit edit, const std::string& path) {
  EditControl(edit)->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool MainWindow::AutoTerminate() const { return autoTerminateBox->isChecked(); }

void MainWindow::SetAutoTerminate(bool ticked) { autoTerminateBox->setChecked(ticked); }
