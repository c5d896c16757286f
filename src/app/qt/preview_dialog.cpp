#include "app/qt/preview_dialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
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

}  // namespace

int PreviewTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int PreviewTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kPreviewColumnCount; }

QVariant PreviewTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const PreviewRow& row = preview_.Row(static_cast<std::size_t>(index.row()));
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

void PreviewTable::Grow() {
  const int rows = static_cast<int>(preview_.RowCount());
  if (rows == shown_) return;
  beginInsertRows(QModelIndex(), shown_, rows - 1);
  shown_ = rows;
  endInsertRows();
}

PreviewDialog::PreviewDialog(ConversionRequest request, QWidget* owner)
    : QDialog(owner), preview_(std::make_unique<PreviewModel>(std::move(request))) {
  setObjectName(QStringLiteral("PreviewDialog"));
  setWindowTitle(LayoutText(PreviewCaption));
  setFont(MainWindowFont());
  resize(920, 460);

  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
  summaryLabel->setTextFormat(Qt::PlainText);
  summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  table_ = new PreviewTable(*preview_, this);
  rowTable = new QTableView(this);
  rowTable->setObjectName(QStringLiteral("rowTable"));
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

  auto* close = new QPushButton(LayoutText(PreviewCloseCaption), this);
  close->setObjectName(QStringLiteral("Close"));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summaryLabel);
  layout->addWidget(rowTable, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);

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
  if (!errorShown_ && preview_->FirstFailedRow()) {
    errorShown_ = true;
    const QModelIndex first = table_->index(static_cast<int>(*preview_->FirstFailedRow()), 0);
    rowTable->selectRow(first.row());
    rowTable->scrollTo(first, QAbstractItemView::PositionAtCenter);
  }
  if (preview_->Finished()) timer_->stop();
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
