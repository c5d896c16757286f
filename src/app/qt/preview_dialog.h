#pragma once
// The preview window "内容の確認": the summary above a list of the export's
// records, filled in the background from the shell's PreviewModel. Writes
// nothing; closing it ends the reading.
#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <memory>

#include "app/preview_model.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTableView;
class QTimer;

// The list's rows, taken from the preview as it is read.
class PreviewTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  PreviewTable(const PreviewModel& preview, QObject* parent) : QAbstractTableModel(parent), preview_(&preview) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Shows the rows the preview took since the last call.
  void Grow();
  // Shows another preview's rows (the one shown before may go after this).
  void Show(const PreviewModel& preview);

 private:
  const PreviewModel* preview_;
  int shown_ = 0;
};

class PreviewDialog : public QDialog {
  Q_OBJECT

 public:
  // keepZone is told of a zone the user chooses, to keep it for the runs.
  using ZoneKeeper = std::function<void(std::shared_ptr<const TimeZone>)>;
  PreviewDialog(ConversionRequest request, QWidget* owner, ZoneKeeper keepZone = {});
  ~PreviewDialog() override;

  // Everything is read and shown.
  bool Finished() const { return preview_->Finished(); }
  // The selected rows as the clipboard receives them.
  QString SelectedText() const;

  QComboBox* zoneBox;
  QLabel* zoneNote;
  QLabel* summaryLabel;
  QPlainTextEdit* comparisonText;
  QTableView* rowTable;

 protected:
  // Ctrl+C on the list copies the selected rows whole, under the titles.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void TakeRows();
  // Reads the preview again in the zone of that name, and keeps the zone.
  void ChooseZone(const QString& name);

  ZoneKeeper keepZone_;
  std::unique_ptr<PreviewModel> preview_;
  PreviewTable* table_;
  QTimer* timer_;
  bool errorShown_ = false;
};
