#include "app/main_form.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "platform/code_page.h"
#include "platform/files.h"
#include "text/text_settings.h"

#include "support/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Loads the settings of dir into fresh values, keeping every reported error.
struct Loaded {
  FormValues values;
  std::vector<AnsiText> errors;
  UnloadedSideFiles unloaded;
};

Loaded Load(const TempDir& dir) {
  Loaded loaded;
  loaded.unloaded = LoadFormSettings(loaded.values, dir / "quillmer", [&loaded](const QuillmerError& error) {
    loaded.errors.push_back(error.Message());
  });
  return loaded;
}

const char kIni[] = "[i/o]\r\ninput=in.csv\r\noutput=out.vcs\r\nterminate=1\r\n";

TEST(FormSettings, FirstStartInAnEmptyDirectory) {
  TempDir dir;
  Loaded loaded = Load(dir);
  EXPECT_TRUE(loaded.errors.empty());
  EXPECT_EQ(loaded.values.MemoText(Memo::Option), "");
  EXPECT_EQ(loaded.values.EditText(PathEdit::Input), "");
  EXPECT_FALSE(loaded.values.AutoTerminate());

  SaveFormSettings(loaded.values, dir / "quillmer");
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "option.txt"), ""));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "filter.txt"), ""));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "quillmer.ini"), "[i/o]\r\ninput=\r\noutput=\r\nterminate=0\r\n"));
}

TEST(FormSettings, MissingSideFilesNeverCostTheIniValues) {
  struct Row {
    const char* name;
    bool option, filter;
  };
  const Row rows[] = {{"option.txt missing", false, true},
                      {"filter.txt missing", true, false},
                      {"both missing", false, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    WriteFileBytes(dir / "quillmer.ini", kIni);
    if (row.option) WriteFileBytes(dir / "option.txt", "OPT");
    if (row.filter) WriteFileBytes(dir / "filter.txt", "FLT");
    Loaded loaded = Load(dir);
    EXPECT_TRUE(loaded.errors.empty());
    EXPECT_EQ(loaded.values.MemoText(Memo::Option), row.option ? "OPT" : "");
    EXPECT_EQ(loaded.values.MemoText(Memo::Filter), row.filter ? "FLT" : "");
    EXPECT_EQ(loaded.values.EditText(PathEdit::Input), "in.csv");
    EXPECT_EQ(loaded.values.EditText(PathEdit::Output), "out.vcs");
    EXPECT_TRUE(loaded.values.AutoTerminate());

    // So an orderly exit writes the values back, not empty defaults.
    SaveFormSettings(loaded.values, dir / "quillmer");
    EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "quillmer.ini"), kIni));
  }
}

TEST(FormSettings, UnreadableSideFileIsReportedAndTheRestStillLoads) {
  TempDir dir;
  std::filesystem::create_directory(dir / "option.txt");
  WriteFileBytes(dir / "filter.txt", "FLT");
  WriteFileBytes(dir / "quillmer.ini", kIni);
  Loaded loaded = Load(dir);
  ASSERT_EQ(loaded.errors.size(), 1u);
  EXPECT_NE(loaded.errors[0].find("option.txt"), std::string::npos);
  EXPECT_NE(loaded.errors[0].find(Sjis(" は開けません")), std::string::npos);
  EXPECT_EQ(loaded.values.MemoText(Memo::Filter), "FLT");
  EXPECT_EQ(loaded.values.EditText(PathEdit::Input), "in.csv");
}

// A memo that takes no text, as a memo refuses a file too large for it.
class RefusingFilterMemo : public FormValues {
 public:
  void SetMemoText(Memo memo, const AnsiText& text) override {
    if (memo == Memo::Filter && refuse) throw PlainError(MemoLimitMessage());
    FormValues::SetMemoText(memo, text);
  }
  bool refuse = true;
};

// A side file that is there but could not be shown keeps its bytes at exit,
// unless the user has typed new lines into its empty memo.
TEST(FormSettings, ASideFileThatFailedToLoadIsNotEmptiedAtExit) {
  TempDir dir;
  WriteFileBytes(dir / "option.txt", "OPT");
  WriteFileBytes(dir / "filter.txt", "FLT");
  RefusingFilterMemo values;
  std::vector<AnsiText> errors;
  const UnloadedSideFiles unloaded = LoadFormSettings(
      values, dir / "quillmer", [&errors](const QuillmerError& error) { errors.push_back(error.Message()); });
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(unloaded.option);
  EXPECT_TRUE(unloaded.filter);

  SaveFormSettings(values, dir / "quillmer", unloaded);
  EXPECT_EQ(ReadFileBytes(dir / "option.txt"), "OPT");
  EXPECT_EQ(ReadFileBytes(dir / "filter.txt"), "FLT");
  EXPECT_TRUE(std::filesystem::exists(dir / "quillmer.ini"));

  values.refuse = false;
  values.SetMemoText(Memo::Filter, "typed");
  SaveFormSettings(values, dir / "quillmer", unloaded);
  EXPECT_EQ(ReadFileBytes(dir / "filter.txt"), "typed");
}

TEST(FormSettings, SideFilesComeBackWithCrLf) {
  TempDir dir;
  WriteFileBytes(dir / "option.txt", "a\nb\r\nc");
  WriteFileBytes(dir / "filter.txt", Sjis("表\n") + "x\r");
  Loaded loaded = Load(dir);
  EXPECT_TRUE(SameBytes(loaded.values.MemoText(Memo::Option), "a\r\nb\r\nc"));
  SaveFormSettings(loaded.values, dir / "quillmer");
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "option.txt"), "a\r\nb\r\nc"));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "filter.txt"), Sjis("表\r\n") + "x\r\n"));
}

// Memos as an edit control holds them: characters, no longer bytes.
class BoxFace : public FormValues {
 public:
  AnsiText MemoText(Memo memo) const override { return platform::AnsiCodePage().FromUtf16(shown_[Index(memo)]); }
  void SetMemoText(Memo memo, const AnsiText& text) override {
    shown_[Index(memo)] = platform::AnsiCodePage().ToUtf16(text);
  }

 private:
  static int Index(Memo memo) { return memo == Memo::Option ? 0 : 1; }
  std::u16string shown_[2];
};

// Started and closed without a keystroke, the window gives back each side
// file byte for byte, whatever its lines hold.
TEST(MainForm, UntouchedSideFilesComeBackByteForByte) {
  platform::SetAnsiCodePage(932);
  struct Row {
    const char* name;
    std::string bytes;
    bool linked;  // filter.txt a symbolic link to the file
  };
  const Row rows[] = {
      {"bytes that are no character", "A\x80" "B\r\n\xA0\xFD\r\n\x85\x40", false},
      {"a character and its second encoding", "\xED\x40\r\n\xFA\x5C", false},
      {"UTF-8 text", "X-NOTE:\xE4\xBC\x9A\xE8\xAD\xB0\xEF\xBC\x81\xEF\xBC\x88\xE9\x87\x8D\xE8\xA6\x81\xEF\xBC\x89\r\nX-B:1",
       false},
      {"lone lead bytes", "X-A:\x81\r\n\x81\r\nend\x81", false},
      {"UTF-8 through a link", "\xE4\xBC\x91\xE6\x9A\x87\r\n\xEF\xBC\x88\xE9\x87\x8D\xE8\xA6\x81\xEF\xBC\x89", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
#ifdef _WIN32
    if (row.linked) continue;
#endif
    TempDir dir;
    WriteFileBytes(dir / "option.txt", row.bytes);
    std::string filter = dir / "filter.txt";
    if (row.linked) {
      filter = dir / "linked.txt";
      std::filesystem::create_symlink("linked.txt", dir / "filter.txt");
    }
    WriteFileBytes(filter, row.bytes);
    BoxFace face;
    MainForm form(face, dir / "quillmer");
    form.Create("", [](const QuillmerError& error) { ADD_FAILURE() << error.Message(); });
    form.Destroy();
    EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "option.txt"), row.bytes));
    EXPECT_TRUE(SameBytes(ReadFileBytes(filter), row.bytes));
    EXPECT_EQ(std::filesystem::is_symlink(dir / "filter.txt"), row.linked);
  }
}

TEST(FormSettings, FirstSaveFailureEndsTheSaving) {
  TempDir dir;
  std::filesystem::create_directory(dir / "filter.txt");
  FormValues values;
  values.SetEditText(PathEdit::Input, "in.csv");
  EXPECT_THROW(SaveFormSettings(values, dir / "quillmer"), FileCreateError);
  EXPECT_TRUE(std::filesystem::exists(dir / "option.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "quillmer.ini"));
}

TEST(FormSettings, SavingCreatesAMissingSettingsDirectory) {
  TempDir dir;
  const std::string nested = dir / "config/quillmer/quillmer";
  SaveFormSettings(FormValues(), nested);
  EXPECT_TRUE(std::filesystem::exists(dir / "config/quillmer/quillmer.ini"));
}

// A program that starts while another saves waits for the save and then
// loads the three files of that one save (another thread stands in for the
// other program: the lock holds between threads as between programs).
TEST(FormSettings, LoadingSeesOneSaveWhole) {
  TempDir dir;
  WriteFileBytes(dir / "option.txt", "old");
  WriteFileBytes(dir / "filter.txt", "old");
  WriteFileBytes(dir / "quillmer.ini", "[i/o]\r\ninput=old.csv\r\n");
  std::optional<platform::FileLock> saving(std::in_place, dir.Path().string());
  ASSERT_TRUE(saving->Held());
  WriteFileBytes(dir / "option.txt", "new");
  Loaded loaded;
  std::thread loader([&] { loaded = Load(dir); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  WriteFileBytes(dir / "filter.txt", "new");
  WriteFileBytes(dir / "quillmer.ini", "[i/o]\r\ninput=new.csv\r\n");
  saving.reset();
  loader.join();
  EXPECT_EQ(loaded.values.MemoText(Memo::Option), "new");
  EXPECT_EQ(loaded.values.MemoText(Memo::Filter), "new");
  EXPECT_EQ(loaded.values.EditText(PathEdit::Input), "new.csv");
}

TEST(ConversionRequestFromForm, PathsAsTypedAndTheMemoLines) {
  FormValues values;
  values.SetEditText(PathEdit::Input, " in.csv ");
  values.SetEditText(PathEdit::Output, "out.vcs\t");
  values.SetMemoText(Memo::Option, "A:1\r\n\r\nB:2\r\n");
  values.SetMemoText(Memo::Filter, "");
  const ConversionRequest request = BuildConversionRequest(values);
  EXPECT_EQ(request.InputPath, " in.csv ");
  EXPECT_EQ(request.OutputPath, "out.vcs\t");
  EXPECT_EQ(request.OptionLines, (LineList{"A:1", "", "B:2"}));
  EXPECT_EQ(request.FilterLines.Count(), 0);
}

TEST(ConversionRequestFromForm, SavedSettingsAreReadNotWritten) {
  TempDir dir;
  WriteFileBytes(dir / "quillmer.ini", kIni);
  WriteFileBytes(dir / "option.txt", "X-A:1\nX-B:2\n");
  std::vector<AnsiText> errors;
  const ConversionRequest request =
      SavedSettingsRequest(dir / "quillmer", [&errors](const QuillmerError& e) { errors.push_back(e.Message()); });
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(request.InputPath, "in.csv");
  EXPECT_EQ(request.OutputPath, "out.vcs");
  EXPECT_EQ(request.OptionLines, (LineList{"X-A:1", "X-B:2"}));
  EXPECT_EQ(request.FilterLines.Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "filter.txt"));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dir / "option.txt"), "X-A:1\nX-B:2\n"));
}

}  // namespace

namespace {

#ifndef _WIN32
// A side file that is a symbolic link stays one. It is written through when it
// is the user's own (it has the settings directory's owner); one that another
// user planted is left alone and the error names it.
TEST(FormSettings, SymlinkedSideFiles) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a link to another user";
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  WriteFileBytes(dir / "real/option.txt", "old option");
  WriteFileBytes(dir / "real/filter.txt", "old filter");
  std::filesystem::create_symlink("real/option.txt", dir / "option.txt");
  std::filesystem::create_symlink("real/filter.txt", dir / "filter.txt");
  ASSERT_EQ(::lchown((dir / "filter.txt").c_str(), 65534, 65534), 0);
  FormValues values;
  values.SetMemoText(Memo::Option, "new option");
  values.SetMemoText(Memo::Filter, "new filter");
  try {
    SaveFormSettings(values, dir / "quillmer");
    ADD_FAILURE() << "no error";
  } catch (const FileCreateError& error) {
    EXPECT_TRUE(SameBytes(error.Message(), Sjis("ファイル \"") + (dir / "filter.txt") + "\". " +
                                               Sjis("アクセスが拒否されました。 を作成できません")));
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "option.txt"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "filter.txt"));
  EXPECT_EQ(ReadFileBytes(dir / "real/option.txt"), "new option");
  EXPECT_EQ(ReadFileBytes(dir / "real/filter.txt"), "old filter");
}

// While another program saves (it holds the settings directory's lock),
// saving waits, and then writes all three files: the later one wins whole.
TEST(FormSettings, SavingWaitsForTheOtherSaver) {
  TempDir dir;
  WriteFileBytes(dir / "quillmer.ini", "[i/o]\r\ninput=theirs.csv\r\n");
  const int held = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const pid_t saver = ::fork();
  if (saver == 0) {
    ::close(held);  // the lock belongs to the parent's descriptor
    FormValues values;
    values.SetMemoText(Memo::Option, "mine");
    values.SetEditText(PathEdit::Input, "mine.csv");
    SaveFormSettings(values, dir / "quillmer");
    ::_exit(0);
  }
  ::usleep(300000);
  EXPECT_FALSE(std::filesystem::exists(dir / "option.txt"));
  WriteFileBytes(dir / "option.txt", "theirs");
  ::close(held);
  int status = 0;
  ASSERT_EQ(::waitpid(saver, &status, 0), saver);
  EXPECT_EQ(ReadFileBytes(dir / "option.txt"), "mine");
  EXPECT_EQ(ReadFileBytes(dir / "quillmer.ini"), "[i/o]\r\ninput=mine.csv\r\noutput=\r\nterminate=0\r\n");
}

#endif  // symbolic links and flock are POSIX's; Windows has its own lock test

}  // namespace

TEST(CompletionMessage, CountsInPlainDigits) {
  EXPECT_TRUE(SameBytes(CompletionMessage({1221, 13}), Sjis("変換と出力が完了しました") + "\r\n\r\n" +
                                                           Sjis("・変換対象: 1221件") + "\r\n" +
                                                           Sjis("・フィルタ対象: 13件")));
}

// The zone kept in the INI file is the runs' from the window's start; an
// unknown one is reported and the default used; a zone chosen later is kept.
TEST(MainForm, SavedZone) {
  struct Row {
    const char* name;
    std::string zoneLine;  // in [i/o], or ""
    const char* inForce;
    std::string error;  // reported, or ""
    std::string saved;  // the INI file's zone line after the end
  };
  const Row rows[] = {
      {"none saved: Japan's default, nothing written", "", "Asia/Tokyo", "", ""},
      {"a saved zone", "zone=Europe/London\r\n", "Europe/London", "", "zone=Europe/London\r\n"},
      {"an unknown one", "zone=Mars/Olympus\r\n", "Asia/Tokyo",
       Sjis("設定ファイルのタイムゾーン \"Mars/Olympus\" はありません。Asia/Tokyo で続けます (一覧: quillmer-convert "
            "--zone list)"),
       "zone=Mars/Olympus\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    WriteFileBytes(dir / "quillmer.ini", std::string(kIni) + row.zoneLine);
    BoxFace face;
    MainForm form(face, dir / "quillmer");
    std::string reported;
    form.Create("", [&](const QuillmerError& error) { reported += error.Message(); });
    EXPECT_EQ(reported, row.error);
    EXPECT_EQ(ChosenTimeZone()->Name(), row.inForce);
    form.Destroy();
    EXPECT_EQ(ReadFileBytes(dir / "quillmer.ini"), std::string(kIni) + row.saved);
  }
  TempDir dir;
  BoxFace face;
  MainForm form(face, dir / "quillmer");
  form.Create("", [](const QuillmerError& error) { ADD_FAILURE() << error.Message(); });
  form.UseZone(LoadTimeZone("America/New_York"));
  EXPECT_EQ(ChosenTimeZone()->Name(), "America/New_York");
  form.Destroy();
  EXPECT_NE(ReadFileBytes(dir / "quillmer.ini").find("zone=America/New_York\r\n"), std::string::npos);
  UseTimeZone(nullptr);
}
