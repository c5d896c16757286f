#include "app/qt/main_window.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QStringList>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
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

TForm1* Form1 = nullptr;

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

TForm1::TForm1(QWidget* parent, const std::string& fileArgument)
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

  const std::map<std::string_view, QWidget*> controls = CreateLayoutControls(this, layout);
  GroupBox1 = LayoutControl<QGroupBox>(controls, "GroupBox1");
  Button1 = LayoutControl<QPushButton>(controls, "Button1");
  Edit1 = LayoutControl<QLineEdit>(controls, "Edit1");
  Label2 = LayoutControl<QLabel>(controls, "Label2");
  Label3 = LayoutControl<QLabel>(controls, "Label3");
  Edit2 = LayoutControl<QLineEdit>(controls, "Edit2");
  GroupBox2 = LayoutControl<QGroupBox>(controls, "GroupBox2");
  memOption = LayoutControl<QPlainTextEdit>(controls, "memOption");
  Label1 = LayoutControl<QLabel>(controls, "Label1");
  Label4 = LayoutControl<QLabel>(controls, "Label4");
  memFilter = LayoutControl<QPlainTextEdit>(controls, "memFilter");
  Label5 = LayoutControl<LinkLabel>(controls, "Label5");
  chkAutoTerminate = LayoutControl<QCheckBox>(controls, "chkAutoTerminate");
  lblPreview = LayoutControl<LinkLabel>(controls, "lblPreview");
  Button1->setFocus();

  connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
  connect(Label5, &LinkLabel::clicked, this, Guarded([this] { Label5Click(); }));
  connect(lblPreview, &LinkLabel::clicked, this, Guarded([this] { PreviewClick(); }));
  // Enter in an edit or on the check box converts, as the default button would.
  connect(Edit1, &QLineEdit::returnPressed, Button1, &QPushButton::click);
  connect(Edit2, &QLineEdit::returnPressed, Button1, &QPushButton::click);
  chkAutoTerminate->installEventFilter(this);

  // The desktop's ways of naming a file: drop it, double-click an edit or use
  // its context menu; the whole path shows as the edit's tooltip.
  setAcceptDrops(true);
  for (QLineEdit* edit : {Edit1, Edit2}) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
  }
  // A memo takes dropped text as usual; a dropped file still names the input.
  for (QPlainTextEdit* memo : {memOption, memFilter}) memo->viewport()->installEventFilter(this);

  CentreOnScreen(this);

  form_.Create(fileArgument, [](const QuillmerError& error) { ShowErrorBox(error); });
}

void TForm1::Button1Click() {
  const ConversionResult result = [this] {
    const WaitCursor waiting;
    return ConversionRun(form_.Request());
  }();
  const ConvertOutcome outcome = form_.Converted(result);
  ShowFixedTextBox(this, outcome.box);
  if (outcome.quit) QCoreApplication::quit();
}

void TForm1::Label5Click() {
  auto* about = new TfrmAbout(this);
  about->exec();
  about->deleteLater();
}

void TForm1::PreviewClick() {
  auto* preview = new PreviewDialog(form_.Request(), this);
  preview->exec();
  delete preview;
}

void TForm1::BrowseForPath(PathEdit edit) {
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

bool TForm1::PathEditEvent(PathEdit edit, QEvent* event) {
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

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == chkAutoTerminate && IsEnter(event)) {
    Button1->click();
    return true;
  }
  if (watched == Edit1 || watched == Edit2)
    return PathEditEvent(watched == Edit1 ? PathEdit::Input : PathEdit::Output, event);
  if (watched == memOption->viewport() || watched == memFilter->viewport()) {
    const bool dragging = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                          event->type() == QEvent::Drop;
    if (dragging && !DraggedFile(static_cast<QDropEvent*>(event)->mimeData()).isEmpty())
      return PathEditEvent(PathEdit::Input, event);
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  Edit1->setText(file);
}

QPlainTextEdit* TForm1::MemoControl(Memo memo) const { return memo == Memo::Option ? memOption : memFilter; }

QLineEdit* TForm1::EditControl(PathEdit edit) const { return edit == PathEdit::Input ? Edit1 : Edit2; }

AnsiText TForm1::MemoText(Memo memo) const {
  QString text = MemoControl(memo)->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return AnsiFromQString(text);
}

void TForm1::SetMemoText(Memo memo, const AnsiText& text) {
  QString shown = QStringFromAnsi(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  MemoControl(memo)->setPlainText(shown);
}

std::string TForm1::EditText(PathEdit edit) const { return QFile::encodeName(EditControl(edit)->text()).toStdString(); }

void TForm1::SetEditText(PathEdit edit, const std::string& path) {
  EditControl(edit)->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool TForm1::AutoTerminate() const { return chkAutoTerminate->isChecked(); }

void TForm1::SetAutoTerminate(bool ticked) { chkAutoTerminate->setChecked(ticked); }
