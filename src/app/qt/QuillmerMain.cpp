#include "app/qt/QuillmerMain.h"

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

#include "app/memo_text.h"
#include "app/path_choice.h"
#include "app/qt/About.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/desktop.h"
#include "app/qt/icons.h"
#include "app/qt/link_label.h"
#include "app/qt/preview_dialog.h"
#include "app/settings.h"

TForm1* Form1 = nullptr;

namespace {

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
  auto* label = Place(new TextLabel(caption, parent), name, left, top, width, height);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FitWidthToText(label);
  return label;
}

QPlainTextEdit* NewMemo(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* memo = Place(new QPlainTextEdit(parent), name, left, top, width, height);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);
  return memo;
}

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

void FitWidthToText(QLabel* label) {
  // Labels size themselves to their text: a face a little wider than the
  // one the layout was made for must not cut the caption off.
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

QFont MainWindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  return font;
}

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form1"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(445, 436);
  setFont(MainWindowFont());
  setWindowIcon(MainIcon());
  if (auto* app = qobject_cast<QuillmerApplication*>(QCoreApplication::instance()))
    setWindowTitle(app->Title());

  GroupBox1 = Place(new QGroupBox(QStringLiteral("入出力設定"), this), "GroupBox1", 8, 8, 425, 121);
  Button1 = Place(new QPushButton(QStringLiteral("変換と出力"), GroupBox1), "Button1", 304, 80, 105, 25);
  Button1->setDefault(true);
  Edit1 = Place(new QLineEdit(GroupBox1), "Edit1", 112, 21, 297, 20);
  Label2 = NewLabel(GroupBox1, "Label2", QStringLiteral("入力CSVファイル:"), 16, 24, 90, 12);
  Label3 = NewLabel(GroupBox1, "Label3", QStringLiteral("出力VCSファイル:"), 16, 48, 90, 12);
  Edit2 = Place(new QLineEdit(GroupBox1), "Edit2", 112, 45, 297, 20);
  GroupBox2 = Place(new QGroupBox(QStringLiteral("変換オプション"), this), "GroupBox2", 8, 144, 425, 265);
  memOption = NewMemo(GroupBox2, "memOption", 16, 40, 393, 97);
  Label1 = NewLabel(GroupBox2, "Label1", QStringLiteral("専用オプション(全て自動的に各要素に含まれます)"),
                    15, 21, 258, 12);
  Label4 = NewLabel(GroupBox2, "Label4",
                    QStringLiteral("フィルタ(次の文字が含まれているアイテムはコンバートされません)"), 15,
                    149, 338, 12);
  memFilter = NewMemo(GroupBox2, "memFilter", 16, 168, 393, 81);
  Label5 = Place(new LinkLabel(QStringLiteral("バージョン情報..."), this), "Label5", 352, 418, 83, 12);
  Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FitWidthToText(Label5);
  lblPreview = Place(new LinkLabel(QStringLiteral("内容の確認..."), this), "lblPreview", 8, 418, 70, 12);
  lblPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FitWidthToText(lblPreview);
  chkAutoTerminate = Place(new QCheckBox(QStringLiteral("正常に変換できたら自動で終了"), GroupBox1),
                           "chkAutoTerminate", 16, 88, 201, 17);

  setTabOrder(Button1, Edit1);
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, chkAutoTerminate);
  setTabOrder(chkAutoTerminate, memOption);
  setTabOrder(memOption, memFilter);
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

  FormCreate();
}

void TForm1::FormCreate() {
  unloadedSideFiles_ = LoadFormSettings(*this, SettingsProgramPath(ExecutableName()),
                                        [](const QuillmerError& error) { ShowErrorBox(error); });
}

void TForm1::FormDestroy() { SaveFormSettings(*this, SettingsProgramPath(ExecutableName()), unloadedSideFiles_); }

void TForm1::Button1Click() {
  const ConversionResult result = [this] {
    const WaitCursor waiting;
    return ConversionRun(BuildConversionRequest(*this));
  }();
  ShowMessageBox(this, QMessageBox::Information, QStringFromFixed(CompletionCaption()),
                 QStringFromFixed(result.CompletionMessage));
  if (chkAutoTerminate->isChecked()) QCoreApplication::quit();
}

void TForm1::Label5Click() {
  auto* about = new TfrmAbout(this);
  about->exec();
  about->deleteLater();
}

void TForm1::PreviewClick() {
  auto* preview = new PreviewDialog(BuildConversionRequest(*this), this);
  preview->exec();
  delete preview;
}

void TForm1::BrowseForPath(PathEdit edit) {
  const PathChoice offered = ChoiceForPathEdit(*this, edit);
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
      connect(menu->addAction(QStringLiteral("参照...")), &QAction::triggered, this,
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
  // The box holds characters; what it was loaded with holds the bytes, also
  // those that are no character or have a second encoding.
  const AnsiText& loaded = loadedMemos_[memo == Memo::Option ? 0 : 1];
  QString text = MemoControl(memo)->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return KeepLoadedBytes(loaded, AnsiFromQString(text));
}

void TForm1::SetMemoText(Memo memo, const AnsiText& text) {
  CheckMemoTextLimit(text);
  QString shown = QStringFromAnsi(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  MemoControl(memo)->setPlainText(shown);
  loadedMemos_[memo == Memo::Option ? 0 : 1] = text;
}

std::string TForm1::EditText(PathEdit edit) const {
  // A name the edit cannot show exactly (not UTF-8) is kept while it shows unchanged.
  const QString text = EditControl(edit)->text();
  const std::string& loaded = loadedPaths_[edit == PathEdit::Input ? 0 : 1];
  if (text == QFile::decodeName(QByteArray::fromStdString(loaded))) return loaded;
  return QFile::encodeName(text).toStdString();
}

void TForm1::SetEditText(PathEdit edit, const std::string& path) {
  loadedPaths_[edit == PathEdit::Input ? 0 : 1] = path;
  EditControl(edit)->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool TForm1::AutoTerminate() const { return chkAutoTerminate->isChecked(); }

void TForm1::SetAutoTerminate(bool ticked) { chkAutoTerminate->setChecked(ticked); }
