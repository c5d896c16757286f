#include "app/qt/preview_dialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/qt/layout_widgets.h"

namespace {

QString FromUtf16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// How often the window takes what was read: often enough to look immediate.
constexpr int kTakeEveryMs = 30;

// "Name:" as "Name(&K):", the key Alt takes to the label's buddy; the Win32
// window has no such key.
QString WithAccessKey(QString caption, QChar key) {
  const qsizetype colon = caption.endsWith(QLatin1Char(':')) ? caption.size() - 1 : caption.size();
  return caption.insert(colon, QStringLiteral("(&") + key + QLatin1Char(')'));
}

}  // namespace

int PreviewTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int PreviewTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kPreviewColumnCount; }

QVariant PreviewTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const PreviewRow& row = preview_->Row(static_cast<std::size_t>(index.row()));
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return FromUtf16(row.Cell(index.column()));
    case Qt::ForegroundRole:
      if (row.state == RecordState::Failed) return QColor(Qt::red);
      if (row.state == RecordState::Filtered) return QColor(Qt::darkGray);
      return {};
    case Qt::TextAlignmentRole:
      return index.column() <= kLineColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
      return {};
  }
}

QVariant PreviewTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return FromUtf16(PreviewModel::ColumnTitle(section));
}

void PreviewTable::Show(const PreviewModel& preview) {
  beginResetModel();
  preview_ = &preview;
  shown_ = 0;
  endResetModel();
}

void PreviewTable::Grow() {
  const int rows = static_cast<int>(preview_->RowCount());
  if (rows == shown_) return;
  beginInsertRows(QModelIndex(), shown_, rows - 1);
  shown_ = rows;
  endInsertRows();
}

PreviewDialog::PreviewDialog(ConversionRequest request, QWidget* owner, ZoneKeeper keepZone)
    : QDialog(owner), keepZone_(std::move(keepZone)), preview_(std::make_unique<PreviewModel>(std::move(request))) {
  const WindowLayout& layout = PreviewLayout();
  setObjectName(LayoutText(layout.name));
  setWindowTitle(LayoutText(layout.caption));
  setFont(MainWindowFont());
  // Wider than the layout and resizable: the box layouts below place the
  // controls, the layout's places are the Win32 window's.
  resize(920, 540);

  const LayoutWidgets controls = CreateLayoutControls(this, layout);
  zoneBox = LayoutControl<QComboBox>(controls, PreviewControl::Zone);
  for (const std::string& name : PreviewModel::ZoneChoices(preview_->Zone()))
    zoneBox->addItem(QString::fromStdString(name));
  zoneBox->setCurrentText(QString::fromStdString(preview_->Zone().Name()));
  zoneBox->setMaxVisibleItems(20);
  connect(zoneBox, &QComboBox::currentTextChanged, this, &PreviewDialog::ChooseZone);
  auto* zoneLabel = LayoutControl<QLabel>(controls, PreviewControl::ZoneLabel);
  zoneLabel->setText(WithAccessKey(zoneLabel->text(), QLatin1Char('Z')));
  zoneLabel->setTextFormat(Qt::AutoText);
  zoneLabel->setBuddy(zoneBox);
  zoneNote = LayoutControl<QLabel>(controls, PreviewControl::ZoneNote);
  // The zone's row stands level with its box.
  for (QLabel* label : {zoneLabel, zoneNote}) label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  summaryLabel = LayoutControl<QLabel>(controls, PreviewControl::Summary);
  summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  comparisonText = LayoutControl<QPlainTextEdit>(controls, PreviewControl::Comparison);
  comparisonText->setFixedHeight(QFontMetrics(font()).lineSpacing() * 6 + 10);

  table_ = new PreviewTable(*preview_, this);
  rowTable = LayoutControl<QTableView>(controls, PreviewControl::List);
  rowTable->setModel(table_);
  rowTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  rowTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rowTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rowTable->setWordWrap(false);
  rowTable->installEventFilter(this);
  rowTable->verticalHeader()->hide();
  rowTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
  rowTable->horizontalHeader()->setHighlightSections(false);
  const QFontMetrics metrics(font());
  const int when = metrics.horizontalAdvance(QStringLiteral("2008/01/15 10:00")) + 12;
  const int widths[kPreviewColumnCount] = {44, 44, 150, 150, when, when, 120, when};
  for (int column = 0; column < kPreviewColumnCount; ++column) rowTable->setColumnWidth(column, widths[column]);

  auto* close = LayoutControl<QPushButton>(controls, PreviewControl::Close);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* rows = new QVBoxLayout(this);
  auto* zoneRow = new QHBoxLayout;
  zoneRow->addWidget(zoneLabel);
  zoneRow->addWidget(zoneBox);
  zoneRow->addWidget(zoneNote, 1);
  rows->addLayout(zoneRow);
  auto* summaryRow = new QHBoxLayout;
  summaryRow->addWidget(summaryLabel, 1, Qt::AlignTop);
  summaryRow->addWidget(comparisonText, 1);
  rows->addLayout(summaryRow);
  rows->addWidget(rowTable, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  rows->addLayout(buttons);

  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &PreviewDialog::TakeRows);
  timer_->start(kTakeEveryMs);
  TakeRows();
  rowTable->setFocus();
}

PreviewDialog::~PreviewDialog() {
  // The list reads the preview's rows: it goes before them.
  delete rowTable;
  rowTable = nullptr;
}

void PreviewDialog::TakeRows() {
  preview_->Update();
  table_->Grow();
  summaryLabel->setText(FromUtf16(preview_->Summary()));
  zoneNote->setText(FromUtf16(preview_->ZoneNote()));
  const QString comparison = FromUtf16(preview_->Comparison());
  if (comparison != comparisonText->toPlainText()) comparisonText->setPlainText(comparison);
  if (!errorShown_ && preview_->FirstFailedRow()) {
    errorShown_ = true;
    const QModelIndex first = table_->index(static_cast<int>(*preview_->FirstFailedRow()), 0);
    rowTable->selectRow(first.row());
    rowTable->scrollTo(first, QAbstractItemView::PositionAtCenter);
  }
  if (preview_->Finished()) timer_->stop();
}

void PreviewDialog::ChooseZone(const QString& name) {
  std::shared_ptr<const TimeZone> zone = LoadTimeZone(name.toStdString());
  if (!zone || zone->Name() == preview_->Zone().Name()) return;
  if (keepZone_) keepZone_(zone);
  ConversionRequest request = preview_->Request();
  request.Zone = std::move(zone);
  preview_->Cancel();
  auto next = std::make_unique<PreviewModel>(std::move(request));
  table_->Show(*next);
  preview_ = std::move(next);
  errorShown_ = false;
  TakeRows();
  if (!preview_->Finished()) timer_->start(kTakeEveryMs);
}

QString PreviewDialog::SelectedText() const {
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : rowTable->selectionModel()->selectedRows())
    rows.push_back(static_cast<std::size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  return FromUtf16(preview_->CopiedText(rows));
}

bool PreviewDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == rowTable && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    QGuiApplication::clipboard()->setText(SelectedText());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void PreviewDialog::done(int result) {
  // Closing ends the reading at once, not when the dialog is deleted.
  timer_->stop();
  preview_->Cancel();
  QDialog::done(result);
}
