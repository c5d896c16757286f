// Hostile conditions for a whole conversion, through the engine and through
// quillmer-convert: missing, unreadable and odd inputs and outputs, a full
// device, a failing write, faulty and unfinished exports, and a very large
// export. After every failure the message and exit status are right, the old
// output is byte for byte what it was and nothing new is left beside it.
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/error_text.h"
#include "app/main_form.h"
#include "conversion/conversion_run.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/characters.h"
#include "text/date_time_text.h"
#include "text/errors.h"

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

constexpr uid_t kNobody = 65534;
const std::string kOldOutput = "BEGIN:VCALENDAR\r\nthe previous output\r\nEND:VCALENDAR\r\n";

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

std::string Quoted(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& f : fields) {
    if (!line.empty()) line += ',';
    line += '"' + f + '"';
  }
  return line;
}

std::string Header() {
  return Quoted({Sjis("件名"), Sjis("場所"), Sjis("開始日"), Sjis("開始時刻"), Sjis("終了日"),
                 Sjis("終了時刻"), Sjis("アラーム オン/オフ"), Sjis("アラーム日付"),
                 Sjis("アラーム時刻"), Sjis("内容")});
}

std::string Record(int n, const std::string& startDate = "2024/01/15", const std::string& notes = "") {
  return Quoted({Sjis("定例会議 ") + std::to_string(n), Sjis("本社 3F"), startDate, "10:00:00",
                 "2024/01/15", "11:30:00", n % 2 ? "TRUE" : "FALSE", "2024/01/15", "9:45:00",
                 notes.empty() ? Sjis("資料持参") : notes});
}

// A header and `count` good records, CR LF after every line.
std::string Export(int count) {
  std::string text = Header() + "\r\n";
  for (int i = 1; i <= count; ++i) text += Record(i) + "\r\n";
  return text;
}

std::string FileOpenText(const std::string& path, const char* why) {
  return Sjis("ファイル \"") + path + "\". " + Sjis(why) + Sjis(" は開けません");
}
std::string FileCreateText(const std::string& path, const char* why) {
  return Sjis("ファイル \"") + path + "\". " + Sjis(why) + Sjis(" を作成できません");
}
std::string ListIndexText(int index) {
  return Sjis("リストのインデックスが範囲を超えています (") + std::to_string(index) + ")";
}
std::string DateText(const std::string& text) {
  return "'" + text + Sjis("' は日付または時刻ではありません");
}
const char* const kNotFound = "指定されたファイルが見つかりません。";
const char* const kPathNotFound = "指定されたパスが見つかりません。";
const char* const kDenied = "アクセスが拒否されました。";

// What is in a directory: each name with the size and a digest of its bytes,
// so that a failure names the file that appeared or changed.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, error)) {
    std::string summary = "not a file";
    if (e.is_regular_file()) {
      const std::string bytes = ReadFileBytes(e.path());
      summary = std::to_string(bytes.size()) + " bytes, digest " +
                std::to_string(std::hash<std::string>{}(bytes));
    }
    entries[e.path().filename().string()] = summary;
  }
  return entries;
}

struct EngineOutcome {
  bool ok = false;
  std::string message;  // the error's, or the completion message
  ConversionResult result;
};

EngineOutcome RunEngine(const ConversionRequest& request) {
  EngineOutcome outcome;
  try {
    outcome.result = ConversionRun(request);
    outcome.ok = true;
    outcome.message = CompletionMessage(outcome.result);
  } catch (const QuillmerError& e) {
    outcome.message = e.Message();
  }
  return outcome;
}

bool BecomeNobody() {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0;
}

// The engine in a child process running as an unprivileged user; nullopt
// when the child cannot drop its privileges.
std::optional<EngineOutcome> RunEngineAsNobody(const ConversionRequest& request) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (!BecomeNobody()) ::_exit(77);
    const EngineOutcome outcome = RunEngine(request);
    const std::string& m = outcome.message;
    if (::write(fds[1], m.data(), m.size()) != static_cast<ssize_t>(m.size())) ::_exit(78);
    ::_exit(outcome.ok ? 0 : 1);
  }
  ::close(fds[1]);
  std::string message;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::nullopt;
  EngineOutcome outcome;
  outcome.ok = WEXITSTATUS(status) == 0;
  outcome.message = message;
  return outcome;
}

struct CliOutcome {
  int exitCode = -1;
  std::string out;
  std::string err;
  long peakRssKb = 0;
};

// The build directory's converter; the environment may point elsewhere.
std::string CliPath() {
  const char* binaryDir = std::getenv("QUILLMER_BINARY_DIR");
  return std::string(binaryDir != nullptr ? binaryDir : QUILLMER_BINARY_DIR) + "/quillmer-convert";
}

// A copy of the converter where the unprivileged user can reach it: the
// checkout may lie in a directory that only its owner may enter.
std::string ReachableCliPath(const fs::path& dir) {
  const fs::path copy = dir / "quillmer-convert";
  if (!fs::exists(copy)) {
    fs::copy_file(CliPath(), copy);
    fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  }
  return copy.string();
}

struct CliRun {
  bool asNobody = false;
  std::optional<std::string> input;  // fed through a pipe as the standard input
  std::string limits;                // shell commands run first, such as "ulimit -f 100"
  bool pipedOutput = false;          // the standard output a pipe, not a file
};
CliRun Fed(std::string input) { return CliRun{false, std::move(input), {}, false}; }
CliRun Limited(std::string limits) { return CliRun{false, std::nullopt, std::move(limits), false}; }

struct RunningCli {
  pid_t pid = -1;
  pid_t writer = -1;
  pid_t reader = -1;
};

// quillmer-convert with a UTF-8 terminal and the default regional profile;
// stdout and stderr go to files in `logs`, never beside the output.
RunningCli StartCli(const std::vector<std::string>& args, const fs::path& logs, const CliRun& how) {
  const std::string outLog = (logs / "stdout").string();
  const std::string errLog = (logs / "stderr").string();
  int feed[2] = {-1, -1};
  if (how.input && ::pipe(feed) != 0) return {};
  int drain[2] = {-1, -1};
  if (how.pipedOutput && ::pipe(drain) != 0) return {};
  const std::string binary = how.asNobody ? ReachableCliPath(logs) : CliPath();
  RunningCli running;
  running.pid = ::fork();
  if (running.pid == 0) {
    const int out = ::open(outLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = ::open(errLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0 || err < 0 || ::dup2(how.pipedOutput ? drain[1] : out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
    if (how.input && (::dup2(feed[0], 0) < 0 || ::close(feed[0]) != 0 || ::close(feed[1]) != 0)) ::_exit(127);
    if (how.pipedOutput && (::close(drain[0]) != 0 || ::close(drain[1]) != 0)) ::_exit(127);
    if (how.asNobody && !BecomeNobody()) ::_exit(77);
    std::vector<std::string> argv{"/bin/sh", "-c", how.limits + "\nexec \"$0\" \"$@\"", binary};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    char lcAll[] = "LC_ALL=C.UTF-8";
    char* env[] = {lcAll, nullptr};
    ::execve(raw[0], raw.data(), env);
    ::_exit(126);
  }
  if (how.input) {
    ::close(feed[0]);
    running.writer = ::fork();
    if (running.writer == 0) {
      ::signal(SIGPIPE, SIG_DFL);
      for (std::size_t at = 0; at < how.input->size();) {
        const ssize_t n = ::write(feed[1], how.input->data() + at, how.input->size() - at);
        if (n <= 0) break;
        at += static_cast<std::size_t>(n);
      }
      ::_exit(0);
    }
    ::close(feed[1]);
  }
  if (how.pipedOutput) {
    ::close(drain[1]);
    running.reader = ::fork();
    if (running.reader == 0) {
      const int out = ::open(outLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      char buffer[4096];
      for (ssize_t n; (n = ::read(drain[0], buffer, sizeof buffer)) > 0;) {
        if (::write(out, buffer, static_cast<std::size_t>(n)) != n) break;
      }
      ::_exit(0);
    }
    ::close(drain[0]);
  }
  return running;
}

// The run's outcome once it ended; nullopt when it was killed by a signal.
std::optional<CliOutcome> FinishCli(const RunningCli& running, const fs::path& logs, const CliRun& how,
                                    int* signal = nullptr) {
  if (running.writer > 0) ::waitpid(running.writer, nullptr, 0);
  if (running.reader > 0) ::waitpid(running.reader, nullptr, 0);
  int status = 0;
  struct rusage usage {};
  if (running.pid <= 0 || ::wait4(running.pid, &status, 0, &usage) != running.pid) return std::nullopt;
  if (signal != nullptr) *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  if (!WIFEXITED(status)) return std::nullopt;
  if (WEXITSTATUS(status) == 77 && how.asNobody) return std::nullopt;
  CliOutcome outcome;
  outcome.exitCode = WEXITSTATUS(status);
  outcome.out = ReadFileBytes(logs / "stdout");
  outcome.err = ReadFileBytes(logs / "stderr");
  outcome.peakRssKb = usage.ru_maxrss;
  return outcome;
}

std::optional<CliOutcome> RunCli(const std::vector<std::string>& args, const fs::path& logs,
                                 const CliRun& how = {}) {
  return FinishCli(StartCli(args, logs, how), logs, how);
}

// What quillmer-convert prints for an engine error: the error box's text in
// the terminal's encoding.
std::string CliErrorText(const std::string& message) { return AnsiTextToUtf8(ErrorBoxText(message)) + "\n"; }

// The converter's line after the message of a failing data record on a one-line-per-record export.
std::string RecordHint(int record) {
  return "該当レコード: データの " + std::to_string(record) + " 件目 (入力の " + std::to_string(record + 1) + " 行目から)\n";
}

class FaultMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetAnsiCodePage(932);
    SetDateTextSettings(DateTextSettingsFrom(*platform::FindRegionalProfile("ja-JP")));
    platform::SetCurrentYearForTesting(2026);
    ASSERT_TRUE(fs::exists(CliPath())) << CliPath();
    fs::create_directory(dir_.Path() / "logs");
    fs::permissions(dir_.Path(), fs::perms::all);
    fs::permissions(dir_.Path() / "logs", fs::perms::all);
  }
  void TearDown() override { platform::SetFileWriteSeamForTesting(nullptr); }

  std::string Path(const std::string& name) const { return dir_ / name; }
  fs::path Logs() const { return dir_.Path() / "logs"; }

  // A failed conversion, both ways: message, exit status 1, nothing on
  // stdout, and the output's directory exactly as it was.
  void ExpectFailure(const std::string& input, const std::string& output, const std::string& message,
                     bool asNobody = false, const std::string& cliHint = "") {
    const fs::path outputDir = fs::path(output).parent_path();
    const auto before = Snapshot(outputDir);
    const std::optional<std::string> oldOutput =
        fs::is_regular_file(output) ? std::optional<std::string>(ReadFileBytes(output)) : std::nullopt;
    auto expectOutputAsBefore = [&] {
      if (oldOutput) {
        EXPECT_TRUE(SameBytes(ReadFileBytes(output), *oldOutput));
      }
      EXPECT_EQ(Snapshot(outputDir), before);
    };
    ConversionRequest request;
    request.InputPath = input;
    request.OutputPath = output;
    {
      SCOPED_TRACE("engine");
      std::optional<EngineOutcome> engine =
          asNobody ? RunEngineAsNobody(request) : std::optional<EngineOutcome>(RunEngine(request));
      ASSERT_TRUE(engine.has_value());
      EXPECT_FALSE(engine->ok);
      EXPECT_TRUE(SameBytes(engine->message, message));
      expectOutputAsBefore();
    }
    {
      SCOPED_TRACE("quillmer-convert");
      const std::optional<CliOutcome> cli = RunCli({input, output}, Logs(), CliRun{asNobody, std::nullopt, {}, false});
      ASSERT_TRUE(cli.has_value());
      EXPECT_EQ(cli->exitCode, 1);
      EXPECT_EQ(cli->out, "");
      EXPECT_TRUE(SameBytes(cli->err, CliErrorText(message) + cliHint));
      expectOutputAsBefore();
    }
  }

  TempDir dir_;
};

TEST_F(FaultMatrix, InputsThatCannotBeRead) {
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  fs::create_directory(Path("a-directory.csv"));
  struct Row {
    const char* name;
    std::string input;
    std::string message;
  };
  const Row rows[] = {
      {"missing", Path("missing.csv"), FileOpenText(Path("missing.csv"), kNotFound)},
      {"in a missing directory", Path("nowhere/in.csv"), FileOpenText(Path("nowhere/in.csv"), kPathNotFound)},
      {"a directory", Path("a-directory.csv"), FileOpenText(Path("a-directory.csv"), kDenied)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ExpectFailure(r.input, Path("out.vcs"), r.message);
  }
}

TEST_F(FaultMatrix, InputWithoutReadPermission) {
  WriteFileBytes(Path("in.csv"), Export(2));
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  ::chmod(Path("in.csv").c_str(), 0);
  const auto probe = RunEngineAsNobody(ConversionRequest{Path("in.csv"), Path("out.vcs"), {}, {}});
  if (!probe) GTEST_SKIP() << "cannot run as an unprivileged user (uid 65534) here";
  ExpectFailure(Path("in.csv"), Path("out.vcs"), FileOpenText(Path("in.csv"), kDenied), true);
}

TEST_F(FaultMatrix, OutputsThatCannotBeCreated) {
  WriteFileBytes(Path("in.csv"), Export(3));
  WriteFileBytes(Path("read-only.vcs"), kOldOutput);
  ::chmod(Path("read-only.vcs").c_str(), 0444);
  fs::create_directory(Path("a-directory.vcs"));
  struct Row {
    const char* name;
    std::string output;
    std::string message;
  };
  const Row rows[] = {
      {"in a missing directory", Path("nowhere/out.vcs"), FileCreateText(Path("nowhere/out.vcs"), kPathNotFound)},
      {"a read-only file", Path("read-only.vcs"), FileCreateText(Path("read-only.vcs"), kDenied)},
      {"a directory", Path("a-directory.vcs"), FileCreateText(Path("a-directory.vcs"), kDenied)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ExpectFailure(Path("in.csv"), r.output, r.message);
  }
  EXPECT_EQ(fs::status(Path("read-only.vcs")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

// A small tmpfs, unmounted however the test ends.
class SmallDevice {
 public:
  explicit SmallDevice(const fs::path& where) : where_(where) {
    fs::create_directory(where_);
    mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, "size=64k,mode=0777") == 0;
    if (!mounted_) error_ = errno;
  }
  ~SmallDevice() {
    if (mounted_ && ::umount(where_.c_str()) != 0) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  int Error() const { return error_; }

 private:
  fs::path where_;
  bool mounted_ = false;
  int error_ = 0;
};

TEST_F(FaultMatrix, OutputOnAFullDevice) {
  const SmallDevice device(dir_.Path() / "small");
  if (!device.Mounted()) GTEST_SKIP() << "mounting a 64k tmpfs was refused: " << std::strerror(device.Error());
  // About 300 KB of blocks: far more than the device holds.
  WriteFileBytes(Path("in.csv"), Export(1000));
  const std::string output = Path("small/out.vcs");
  WriteFileBytes(output, kOldOutput);
  ExpectFailure(Path("in.csv"), output, FileWriteError().Message());
}

class FailingWrites : public platform::FileWriteSeam {
 public:
  FailingWrites(std::size_t room, int error) : room_(room), error_(error) {}
  long Write(int fd, const char* data, std::size_t size) override {
    if (room_ == 0) {
      errno = error_;
      return error_ == 0 ? 0 : -1;
    }
    const std::size_t n = std::min(size, room_);
    room_ -= n;
    return static_cast<long>(::write(fd, data, n));
  }

 private:
  std::size_t room_;
  int error_;
};

TEST_F(FaultMatrix, WritesThatFailPartWay) {
  WriteFileBytes(Path("in.csv"), Export(20));
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  struct Row {
    const char* name;
    std::size_t room;
    int error;
  };
  const Row rows[] = {
      {"no room at all", 0, ENOSPC},
      {"room for some bytes", 1000, ENOSPC},
      {"an I/O error", 10, EIO},
      {"no progress", 500, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto before = Snapshot(dir_.Path());
    FailingWrites seam(r.room, r.error);
    platform::SetFileWriteSeamForTesting(&seam);
    const EngineOutcome outcome = RunEngine(ConversionRequest{Path("in.csv"), Path("out.vcs"), {}, {}});
    platform::SetFileWriteSeamForTesting(nullptr);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(SameBytes(outcome.message, FileWriteError().Message()));
    EXPECT_EQ(Snapshot(dir_.Path()), before);
  }
}

TEST_F(FaultMatrix, InputEqualToOutput) {
  {
    SCOPED_TRACE("a failed run leaves the export as it was");
    const std::string bad = Export(2) + Record(3, "2024/02/30") + "\r\n";
    WriteFileBytes(Path("same.csv"), bad);
    ExpectFailure(Path("same.csv"), Path("same.csv"), DateText("2024/02/30 10:00:00"), false, RecordHint(3));
  }
  {
    SCOPED_TRACE("a successful run replaces it by the output");
    WriteFileBytes(Path("same.csv"), Export(2));
    WriteFileBytes(Path("other.csv"), Export(2));
    const EngineOutcome engine = RunEngine(ConversionRequest{Path("other.csv"), Path("expected.vcs"), {}, {}});
    ASSERT_TRUE(engine.ok) << engine.message;
    const std::optional<CliOutcome> cli = RunCli({Path("same.csv"), Path("same.csv")}, Logs());
    ASSERT_TRUE(cli.has_value());
    EXPECT_EQ(cli->exitCode, 0) << cli->err;
    EXPECT_TRUE(SameBytes(ReadFileBytes(Path("same.csv")), ReadFileBytes(Path("expected.vcs"))));
  }
}

// A faulty record anywhere (seeded, so a failure repeats): no output at all,
// whether or not an output file existed, and the message names the fault.
TEST_F(FaultMatrix, ExportFailingAtARandomRecord) {
  struct Fault {
    const char* name;
    std::function<std::string(int)> record;
    std::string message;
  };
  const Fault faults[] = {
      {"impossible date", [](int n) { return Record(n, "2024/02/30"); }, DateText("2024/02/30 10:00:00")},
      {"month 13", [](int n) { return Record(n, "2024/13/01"); }, DateText("2024/13/01 10:00:00")},
      {"three fields", [](int) { return std::string("\"a\",\"b\",\"2024/01/15\""); }, ListIndexText(3)},
      {"alarm on, eight fields",
       [](int) { return Quoted({"t", "p", "2024/01/15", "10:00", "2024/01/15", "11:00", "TRUE", "2024/01/15"}); },
       ListIndexText(8)},
  };
  std::mt19937 random(20240115);
  for (const Fault& f : faults) {
    for (int trial = 0; trial < 2; ++trial) {
      const int count = 30;
      const int faulty = std::uniform_int_distribution<int>(1, count)(random);
      SCOPED_TRACE(std::string(f.name) + ", record " + std::to_string(faulty));
      std::string text = Header() + "\r\n";
      for (int i = 1; i <= count; ++i) text += (i == faulty ? f.record(i) : Record(i)) + "\r\n";
      WriteFileBytes(Path("in.csv"), text);
      const bool oldOutput = trial == 0;
      if (oldOutput) WriteFileBytes(Path("out.vcs"), kOldOutput);
      ExpectFailure(Path("in.csv"), Path("out.vcs"), f.message, false, RecordHint(faulty));
      EXPECT_EQ(fs::exists(Path("out.vcs")), oldOutput);
      fs::remove(Path("out.vcs"));
    }
  }
}

TEST_F(FaultMatrix, ExportWithAnUnfinishedLastLine) {
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  const std::string cut = Export(3) + "\"" + Sjis("途中で切れた") + "\",\"" + Sjis("本社");
  const std::string emptyLast = Export(3) + "\r\n";
  const std::string commaQuote = Export(3) + "\"a\",\"";
  struct Row {
    const char* name;
    std::string text;
    int index;
  };
  const Row rows[] = {
      {"cut inside a quoted field", cut, 5},
      {"an empty line at the end", emptyLast, 5},
      {"ends with a comma and a quote", commaQuote, 5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFileBytes(Path("in.csv"), r.text);
    ExpectFailure(Path("in.csv"), Path("out.vcs"), ListIndexText(r.index), false, RecordHint(4));
  }
}

// A 200 MB export converts, and the converter's peak memory stays within four
// times input plus output. Under the sanitizers a 20 MB export only has to
// convert: their shadow memory would swamp the figure.
TEST_F(FaultMatrix, VeryLargeExport) {
  const std::size_t target = kSanitized ? (20u << 20) : (200u << 20);
  std::string chunk;
  int records = 0;
  std::mt19937 random(7);
  std::string longNote;
  for (int i = 0; i < 400; ++i) longNote += Sjis("議事録の下書き、") + "abc ";
  while (chunk.size() < (1u << 20)) {
    ++records;
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    const std::string notes = kind == 0 ? longNote : kind < 4 ? Sjis("資料持参\r\n") + Sjis("第2会議室") : "";
    chunk += Record(records, "2024/01/15", notes) + "\r\n";
  }
  const int chunks = static_cast<int>(target / chunk.size()) + 1;
  {
    std::string text = Header() + "\r\n";
    text.reserve(chunk.size() * static_cast<std::size_t>(chunks) + text.size());
    for (int i = 0; i < chunks; ++i) text += chunk;
    WriteFileBytes(Path("big.csv"), text);
  }
  const std::optional<CliOutcome> cli = RunCli({Path("big.csv"), Path("big.vcs")}, Logs());
  ASSERT_TRUE(cli.has_value());
  ASSERT_EQ(cli->exitCode, 0) << cli->err;
  const std::string expectedCount = std::to_string(records * chunks);
  EXPECT_NE(cli->out.find(": " + expectedCount), std::string::npos) << cli->out;

  const double input = static_cast<double>(fs::file_size(Path("big.csv")));
  const double output = static_cast<double>(fs::file_size(Path("big.vcs")));
  const double peak = static_cast<double>(cli->peakRssKb) * 1024.0;
  RecordProperty("input_mb", static_cast<int>(input / 1e6));
  RecordProperty("output_mb", static_cast<int>(output / 1e6));
  RecordProperty("peak_rss_mb", static_cast<int>(peak / 1e6));
  std::printf("export %.0f MB, output %.0f MB, peak RSS %.0f MB (%.2f x (input + output))\n", input / 1e6,
              output / 1e6, peak / 1e6, peak / (input + output));
  if (!kSanitized) {
    EXPECT_LE(peak, 4.0 * (input + output));
  }
}

}  // namespace

namespace {

// ---- Inputs that report no size: pipes, FIFOs, /dev/stdin ----

TEST_F(FaultMatrix, InputsWithoutASizeAreReadToTheirEnd) {
  const std::string text = Export(600);
  const std::string options = "X-OPTION:1\n";
  WriteFileBytes(Path("in.csv"), text);
  WriteFileBytes(Path("options.txt"), options);
  ASSERT_EQ(RunCli({Path("in.csv"), Path("plain.vcs")}, Logs())->exitCode, 0);
  ASSERT_EQ(RunCli({Path("in.csv"), Path("with-options.vcs"), "--options", Path("options.txt")}, Logs())->exitCode, 0);
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string expected;
  };
  const Row rows[] = {
      {"/dev/stdin fed by a pipe", {"/dev/stdin", Path("out.vcs")}, text, "plain.vcs"},
      {"\"-\" as the input", {"-", Path("out.vcs")}, text, "plain.vcs"},
      {"option lines from a pipe", {Path("in.csv"), Path("out.vcs"), "--options", "/dev/stdin"}, options,
       "with-options.vcs"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFileBytes(Path("out.vcs"), kOldOutput);
    const std::optional<CliOutcome> cli = RunCli(r.args, Logs(), Fed(r.input));
    ASSERT_TRUE(cli.has_value());
    EXPECT_EQ(cli->exitCode, 0) << cli->err;
    EXPECT_TRUE(SameBytes(ReadFileBytes(Path("out.vcs")), ReadFileBytes(Path(r.expected))));
  }
}

TEST_F(FaultMatrix, StandardOutputReceivesTheBytesOnlyAfterEveryRecord) {
  WriteFileBytes(Path("in.csv"), Export(40));
  WriteFileBytes(Path("bad.csv"), Export(40) + Record(41, "2024/02/30") + "\r\n");
  ASSERT_EQ(RunCli({Path("in.csv"), Path("expected.vcs")}, Logs())->exitCode, 0);
  const std::string expected = ReadFileBytes(Path("expected.vcs"));

  std::optional<CliOutcome> cli = RunCli({Path("in.csv"), "-"}, Logs());
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 0);
  EXPECT_TRUE(SameBytes(cli->out, expected));
  EXPECT_NE(cli->err.find("変換と出力が完了しました"), std::string::npos) << cli->err;

  cli = RunCli({"-", "-"}, Logs(), Fed(Export(40)));
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 0);
  EXPECT_TRUE(SameBytes(cli->out, expected));

  cli = RunCli({Path("bad.csv"), "-"}, Logs());
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 1);
  EXPECT_EQ(cli->out, "");
  EXPECT_TRUE(SameBytes(cli->err, CliErrorText(DateText("2024/02/30 10:00:00")) + RecordHint(41)));

  // The bytes wait in TMPDIR: a missing one is named, with the reason.
  cli = RunCli({Path("in.csv"), "-"}, Logs(), Limited("export TMPDIR=/nonexistent"));
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 1);
  EXPECT_EQ(cli->out, "");
  EXPECT_TRUE(SameBytes(cli->err, CliErrorText(Sjis("一時ファイルを TMPDIR \"/nonexistent\". "
                                                     "指定されたパスが見つかりません。 に作成できません"))));
}

// ---- Names the code page cannot hold ----

TEST_F(FaultMatrix, NamesOutsideTheCodePageAreUsedAsGiven) {
  WriteFileBytes(Path("caf?.vcs"), kOldOutput);
  WriteFileBytes(Path("café.csv"), Export(3));
  WriteFileBytes(Path("in.csv"), Export(3));
  ASSERT_EQ(RunCli({Path("in.csv"), Path("expected.vcs")}, Logs())->exitCode, 0);
  const std::string expected = ReadFileBytes(Path("expected.vcs"));
  for (const std::string& output : {std::string("café.vcs"), Sjis("出力.vcs"), std::string("snow\u2603.vcs")}) {
    SCOPED_TRACE(output);
    const std::optional<CliOutcome> cli = RunCli({Path("café.csv"), Path(output)}, Logs());
    ASSERT_TRUE(cli.has_value());
    EXPECT_EQ(cli->exitCode, 0) << cli->err;
    EXPECT_TRUE(SameBytes(ReadFileBytes(Path(output)), expected));
  }
  EXPECT_TRUE(SameBytes(ReadFileBytes(Path("caf?.vcs")), kOldOutput));
}

// ---- Interruptions and limits ----

// Waits until the run holds a file open in dir other than its input; false
// when it ended first.
bool WaitUntilWriting(pid_t pid, const fs::path& dir, const std::string& input) {
  const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
  for (int i = 0; i < 200000; ++i) {
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator(fds, error)) {
      const fs::path target = fs::read_symlink(e.path(), error);
      if (!error && target.parent_path() == dir && target != input && target.filename() != "logs") return true;
    }
    if (error) return false;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG | WNOWAIT) == pid) return false;
    ::usleep(50);
  }
  return false;
}

TEST_F(FaultMatrix, InterruptedWhileWritingLeavesNothingBehind) {
  std::string text = Export(1);
  const std::string more = Export(4000).substr(Header().size() + 2);
  while (text.size() < (kSanitized ? (4u << 20) : (24u << 20))) text += more;
  WriteFileBytes(Path("in.csv"), text);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    SCOPED_TRACE(strsignal(signal));
    WriteFileBytes(Path("out.vcs"), kOldOutput);
    const auto before = Snapshot(dir_.Path());
    const RunningCli running = StartCli({Path("in.csv"), Path("out.vcs")}, Logs(), {});
    const bool caught = WaitUntilWriting(running.pid, dir_.Path(), Path("in.csv"));
    ::kill(running.pid, signal);
    int killedBy = 0;
    const std::optional<CliOutcome> cli = FinishCli(running, Logs(), {}, &killedBy);
    if (!caught) GTEST_SKIP() << "the conversion ended before it could be interrupted";
    if (signal == SIGKILL) {
      EXPECT_EQ(killedBy, SIGKILL);
    } else {
      ASSERT_TRUE(cli.has_value()) << "killed by signal " << killedBy;
      EXPECT_EQ(cli->exitCode, 128 + signal);
      EXPECT_EQ(cli->err, std::string("quillmer-convert: interrupted by SIG") + sigabbrev_np(signal) + "\n");
    }
    EXPECT_EQ(Snapshot(dir_.Path()), before);
  }
}

TEST_F(FaultMatrix, CancelledWhileWaitingForAFifoWriter) {
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  ASSERT_EQ(::mkfifo(Path("fifo.csv").c_str(), 0600), 0);
  const auto before = Snapshot(dir_.Path());
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal));
    const RunningCli running = StartCli({Path("fifo.csv"), Path("out.vcs")}, Logs(), {});
    ::usleep(200000);
    ::kill(running.pid, signal);
    const std::optional<CliOutcome> cli = FinishCli(running, Logs(), {});
    ASSERT_TRUE(cli.has_value());
    EXPECT_EQ(cli->exitCode, 128 + signal);
    EXPECT_EQ(Snapshot(dir_.Path()), before);
  }
}

// Whether the process ended within ms, leaving it to be reaped.
bool EndsWithin(pid_t pid, int ms) {
  for (int waited = 0;; waited += 10) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
      return true;
    }
    if (waited >= ms) return false;
    ::usleep(10000);
  }
}

// A child copying what a FIFO's writer sends into a file, as `cat fifo > file`.
pid_t DrainFifo(const std::string& fifo, const fs::path& into) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(fifo.c_str(), O_RDONLY);
    const int out = ::open(into.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    char buffer[4096];
    for (ssize_t n; in >= 0 && (n = ::read(in, buffer, sizeof buffer)) > 0;) {
      if (::write(out, buffer, static_cast<std::size_t>(n)) != n) ::_exit(1);
    }
    ::_exit(0);
  }
  return pid;
}

// A FIFO as the output is opened once, for writing, after every record
// converted, never probed: a reader waiting before the run, or coming later,
// gets every byte; with none, the run waits as any writer does, and an
// interruption ends it with nothing left behind.
TEST_F(FaultMatrix, FifoOutputWaitsForItsReader) {
  WriteFileBytes(Path("in.csv"), Export(40));
  ASSERT_EQ(RunCli({Path("in.csv"), Path("expected.vcs")}, Logs())->exitCode, 0);
  const std::string expected = ReadFileBytes(Path("expected.vcs"));
  const std::string fifo = Path("out.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto before = Snapshot(dir_.Path());
  struct Row {
    const char* name;
    bool readerFirst;
    int signal;  // sent instead of a reader coming
  };
  const Row rows[] = {
      {"a reader waiting", true, 0},
      {"a reader coming later", false, 0},
      {"no reader, interrupted", false, SIGINT},
      {"no reader, terminated", false, SIGTERM},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const fs::path got = Logs() / "got";
    fs::remove(got);
    pid_t reader = r.readerFirst ? DrainFifo(fifo, got) : -1;
    const RunningCli running = StartCli({Path("in.csv"), fifo}, Logs(), {});
    if (!r.readerFirst) {
      EXPECT_FALSE(EndsWithin(running.pid, 300)) << "ended without a reader";
      if (r.signal != 0) {
        ::kill(running.pid, r.signal);
      } else {
        reader = DrainFifo(fifo, got);
      }
    }
    const bool ended = EndsWithin(running.pid, 10000);
    EXPECT_TRUE(ended) << "still waiting";
    if (!ended) ::kill(running.pid, SIGKILL);
    const std::optional<CliOutcome> cli = FinishCli(running, Logs(), {});
    if (reader > 0) {
      if (!EndsWithin(reader, 5000)) ::kill(reader, SIGKILL);
      ::waitpid(reader, nullptr, 0);
    }
    ASSERT_TRUE(cli.has_value());
    EXPECT_EQ(cli->exitCode, r.signal == 0 ? 0 : 128 + r.signal) << cli->err;
    if (r.signal == 0) {
      EXPECT_TRUE(SameBytes(ReadFileBytes(got), expected));
    }
    EXPECT_EQ(Snapshot(dir_.Path()), before);
  }
}

TEST_F(FaultMatrix, FileSizeLimitIsAWriteError) {
  WriteFileBytes(Path("in.csv"), Export(400));
  WriteFileBytes(Path("out.vcs"), kOldOutput);
  const auto before = Snapshot(dir_.Path());
  // 64 blocks: far less than the output, more than the old file.
  const std::optional<CliOutcome> cli = RunCli({Path("in.csv"), Path("out.vcs")}, Logs(), Limited("ulimit -f 64"));
  ASSERT_TRUE(cli.has_value()) << "killed by a signal";
  EXPECT_EQ(cli->exitCode, 1);
  EXPECT_TRUE(SameBytes(cli->err, CliErrorText(FileWriteError().Message())));
  EXPECT_EQ(Snapshot(dir_.Path()), before);
}

// ---- Names that are streams or pseudo-files ----

// /dev/stdout is the output stream, whatever it is; a file under /proc cannot
// be replaced, and the message says why instead of "not found".
TEST_F(FaultMatrix, StreamsAndPseudoFilesAsTheOutput) {
  WriteFileBytes(Path("in.csv"), Export(5));
  ASSERT_EQ(RunCli({Path("in.csv"), Path("expected.vcs")}, Logs())->exitCode, 0);
  const std::string expected = ReadFileBytes(Path("expected.vcs"));

  std::optional<CliOutcome> cli = RunCli({Path("in.csv"), "/dev/stdout"}, Logs(), CliRun{false, {}, {}, true});
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 0) << cli->err;
  EXPECT_TRUE(SameBytes(cli->out.substr(0, expected.size()), expected));

  // Appended to, as a stream is, when the shell opened the file to append.
  WriteFileBytes(Logs() / "kept", "kept\r\n");
  cli = RunCli({Path("in.csv"), "/dev/stdout"}, Logs(), Limited("exec >>'" + (Logs() / "kept").string() + "'"));
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 0) << cli->err;
  EXPECT_TRUE(SameBytes(ReadFileBytes(Logs() / "kept").substr(0, 6 + expected.size()), "kept\r\n" + expected));

  cli = RunCli({Path("in.csv"), "/proc/self/comm"}, Logs());
  ASSERT_TRUE(cli.has_value());
  EXPECT_EQ(cli->exitCode, 1);
  EXPECT_TRUE(SameBytes(cli->err, CliErrorText(FileCreateText("/proc/self/comm", kDenied))));
}

}  // namespace
