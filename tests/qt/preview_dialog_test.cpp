// The preview window driven as a user drives it: the link opens it over the
// boxes' current values, the first error is selected, Ctrl+A Ctrl+C copies
// the rows, Escape closes it, and nothing is written.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "app/qt/ansi_qt.h"
#include "app/qt/application.h"
#include "app/qt/link_label.h"
#include "app/qt/main_window.h"
#include "app/qt/preview_dialog.h"
#include "app/settings.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/date_time_text.h"

using testing_support::ReadFileBytes;
using testing_support::Sjis;
using testing_support::SourceDir;
using testing_support::WriteFileBytes;

class PreviewDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(platform::UseRegionalProfile("ja-JP"));
    LoadDateTextSettings();
    SetSettingsDirectoryForTesting(QFile::encodeName(dir_.path()).toStdString());
    WriteFileBytes(Path("export.csv"),
                   Sjis("\"件名\",\"場所\",\"開始日\",\"開始時刻\",\"終了日\",\"終了時刻\",\"アラーム\","
                        "\"アラーム日\",\"アラーム時刻\",\"メモ\"\r\n"
                        "\"会議\",\"本社\",\"2024/05/01\",\"10:00:00\",\"2024/05/01\",\"11:00:00\","
                        "\"FALSE\",\"\",\"\",\"議題\"\r\n"
                        "\"休暇\",\"\",\"2024/05/02\",\"9:00:00\",\"2024/05/02\",\"18:00:00\","
                        "\"FALSE\",\"\",\"\",\"\"\r\n"
                        "\"壊れた\",\"\",\"2024/05/32\",\"9:00:00\",\"2024/05/02\",\"18:00:00\","
                        "\"FALSE\",\"\",\"\",\"\"\r\n"));
  }
  void cleanupTestCase() { SetSettingsDirectoryForTesting(std::nullopt); }

  void linkOpensThePreviewOfTheUnsavedBoxes() {
    MainWindow form;
    QCOMPARE(form.previewLink->geometry().topLeft(), QPoint(8, 418));
    QCOMPARE(form.previewLink->font().underline(), form.aboutLink->font().underline());
    QCOMPARE(form.previewLink->palette().color(QPalette::WindowText),
             form.aboutLink->palette().color(QPalette::WindowText));
    form.inputEdit->setText(Path("export.csv").c_str());
    form.outputEdit->setText(QString::fromStdString(Path("out.ics")));
    form.filterMemo->setPlainText(QStringLiteral("休暇"));
    form.show();

    QString seenTitle, seenSummary, copied;
    int seenSelected = -1;
    bool closedByEscape = false;
    QTimer::singleShot(0, [&] {
      auto* preview = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget());
      QVERIFY(preview != nullptr);
      QTRY_VERIFY(preview->Finished());
      QTest::qWait(50);
      seenTitle = preview->windowTitle();
      seenSummary = preview->summaryLabel->text();
      const QModelIndexList selected = preview->rowTable->selectionModel()->selectedRows();
      if (selected.size() == 1) seenSelected = selected[0].row();
      QTest::keyClick(preview->rowTable, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(preview->rowTable, Qt::Key_C, Qt::ControlModifier);
      copied = QGuiApplication::clipboard()->text();
      QTest::keyClick(preview->rowTable, Qt::Key_Escape);
      closedByEscape = !preview->isVisible();
    });
    QTest::mouseClick(form.previewLink, Qt::LeftButton);

    QCOMPARE(seenTitle, QStringLiteral("内容の確認"));
    QVERIFY2(seenSummary.contains(QStringLiteral("・変換対象: 1件　・フィルタ対象: 1件　・エラー: 1件")),
             qPrintable(seenSummary));
    QVERIFY(seenSummary.contains(QStringLiteral("Outlook の列名")));
    QVERIFY(seenSummary.contains(QStringLiteral("出力形式: iCalendar 2.0")));
    QCOMPARE(seenSelected, 2);
    QCOMPARE(copied, QStringLiteral("番号\t行\t状態\t件名\t開始\t終了\t場所\tアラーム\r\n"
                                    "1\t2\t変換\t会議\t2024/05/01 10:00\t2024/05/01 11:00\t本社\t\r\n"
                                    "2\t3\tフィルタ対象: 休暇\t休暇\t2024/05/02 09:00\t2024/05/02 18:00\t\t\r\n"
                                    "3\t4\tエラー: '2024/05/32 9:00:00' は日付または時刻ではありません."
                                    "\t壊れた\t2024/05/32 9:00:00\t2024/05/02 18:00\t\t\r\n"));
    QVERIFY(closedByEscape);
    QVERIFY(!QFile::exists(QString::fromStdString(Path("out.ics"))));
  }

  // Escape closes the preview at once while its export is a FIFO that
  // delivers nothing, or stalls inside a record.
  void closingNeverWaitsForTheInput() {
    const struct {
      const char* name;
      std::string bytes;
    } rows[] = {
        {"a FIFO nobody writes", ""},
        {"a FIFO stalled inside a record", "\"h\"\r\n\"a\",\"p\",\"2008/1/15\",\"10:00\",\"a note"},
    };
    for (const auto& row : rows) {
      const testing_support::StalledFifo stalled(Path("stalled.csv"), row.bytes);
      MainWindow form;
      form.inputEdit->setText(Path("stalled.csv").c_str());
      form.outputEdit->setText(QString::fromStdString(Path("out.vcs")));
      form.show();
      QElapsedTimer closing;
      bool reading = false;
      QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget());
        QVERIFY(preview != nullptr);
        QTest::qWait(100);
        reading = !preview->Finished();
        closing.start();
        QTest::keyClick(preview->rowTable, Qt::Key_Escape);
      });
      QTest::mouseClick(form.previewLink, Qt::LeftButton);
      QVERIFY2(reading, row.name);
      QVERIFY2(closing.elapsed() < 1000, row.name);
      QFile::remove(QString::fromStdString(Path("stalled.csv")));
    }
  }

  // The zone's row: its offsets over the export's dates; another zone
  // chosen reads the rows and the comparison again and is kept.
  void zoneChooserReadsAgainAndKeepsTheZone() {
    WriteFileBytes(Path("ny.csv"), ReadFileBytes(SourceDir() / "tests/data/dry-run/new-york.csv"));
    WriteFileBytes(Path("out.vcs"), ReadFileBytes(SourceDir() / "tests/data/dry-run/new-york.vcs"));
    ConversionRequest request;
    request.InputPath = Path("ny.csv");
    request.OutputPath = Path("out.vcs");
    request.Zone = TimeZone::Japan();
    std::string kept;
    PreviewDialog preview(request, nullptr, [&](std::shared_ptr<const TimeZone> zone) { kept = zone->Name(); });
    QTRY_VERIFY(preview.Finished());
    QCOMPARE(preview.zoneBox->currentText(), QStringLiteral("Asia/Tokyo"));
    QVERIFY2(preview.zoneNote->text().startsWith(QStringLiteral("(UTC+9)")), qPrintable(preview.zoneNote->text()));

    preview.zoneBox->setCurrentText(QStringLiteral("America/New_York"));
    QCOMPARE(kept, std::string("America/New_York"));
    QTRY_VERIFY(preview.Finished());
    QCOMPARE(preview.rowTable->model()->rowCount(), 2);
    QVERIFY2(preview.zoneNote->text().startsWith(QStringLiteral("(UTC-5 / UTC-4)")),
             qPrintable(preview.zoneNote->text()));
    const QString comparison = preview.comparisonText->toPlainText();
    QVERIFY2(comparison.startsWith(QStringLiteral("・新規: 2件\n・前回と同じ: 0件\n・前回だけ: 2件\n"
                                                  "    2024/11/03 01:30  定例会議 = 1\n")),
             qPrintable(comparison));
    QCOMPARE(ReadFileBytes(Path("out.vcs")), ReadFileBytes(SourceDir() / "tests/data/dry-run/new-york.vcs"));
  }

 private:
  std::string Path(const char* name) const { return QFile::encodeName(dir_.filePath(name)).toStdString(); }
  QTemporaryDir dir_;
};

int main(int argc, char** argv) {
  QuillmerApplication app(argc, argv);
  app.SetTitle(QStringFromAnsi(ApplicationTitle()));
  PreviewDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "preview_dialog_test.moc"
