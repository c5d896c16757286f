#pragma once
// The preview window "内容の確認": the summary above a list of the export's
// records, filled in the background from the shell's PreviewModel. Writes
// nothing; closing it ends the reading.
#include <QAbstractTableModel>
#include <QDialog>
#include <memory>

#include "app/preview_model.h"

class QLabel;
class QTableView;
class QTimer;

// The list's rows, taken from the preview as it is read.
class PreviewTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  PreviewTable(const PreviewModel& preview, QObject* parent) : QAbstractTableModel(parent), preview_(preview) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Shows the rows the preview took since the last call.
  void Grow();

 private:
  const PreviewModel& preview_;
  int shown_ = 0;
};

class PreviewDialog : public QDialog {
  Q_OBJECT

 public:
  PreviewDialog(ConversionRequest request, QWidget* owner);
  ~PreviewDialog() override;

  // Everything is read and shown.
  bool Finished() const { return preview_->Finished(); }
  // The selected rows as the clipboard receives them.
  QString SelectedText() const;

  QLabel* summaryLabel;
  QTableView* rowTable;

 protected:
  // Ctrl+C on the list copies the selected rows whole, under the titles.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void TakeRows();

  std::unique_ptr<PreviewModel> preview_;
  PreviewTable* table_;
  QTimer* timer_;
  bool errorShown_ = false;
};
