// The Win32 platform services on the system's own calls: code pages, regional
// settings, whole-file replacement, private profiles and paths whose
// double-byte characters end in 0x5C.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <thread>
#include <string>

#include "app/about_text.h"
#include "app/main_form.h"
#include "conversion/conversion_run.h"
#include "app/settings.h"
#include "app/win32/version_resource.h"
#include "platform/code_page.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "app/ini_file.h"
#include "platform/regional.h"
#include "support/test_support.h"
#include "text/errors.h"
#include "text/text_file.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::Sjis;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Every name in dir; a replacement must leave no temporary file behind.
std::size_t EntryCount(const TempDir& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++n;
  return n;
}

// The message of the error that call raises, or "(no error)".
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const QuillmerError& error) {
    return error.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(Win32CodePage, EveryCharacterOfTheDoubleBytePagesComesBack) {
  for (int number : {932, 936, 949, 950, 1252}) {
    SCOPED_TRACE(number);
    platform::SetAnsiCodePage(number);
    const platform::CodePage& page = platform::AnsiCodePage();
    int checked = 0;
    for (unsigned lead = 0; lead < 256; ++lead) {
      for (unsigned trail = 0; trail < (page.IsLeadByte(static_cast<unsigned char>(lead)) ? 256u : 1u); ++trail) {
        std::string bytes(1, static_cast<char>(lead));
        if (page.IsLeadByte(static_cast<unsigned char>(lead))) bytes += static_cast<char>(trail);
        const std::u16string units = page.ToUtf16(bytes);
        if (units.size() != 1 || units[0] == 0x30FB) continue;
        // The system's answer for a well-formed character, and the way back.
        wchar_t wide[4];
        ASSERT_EQ(MultiByteToWideChar(static_cast<UINT>(number), 0, bytes.data(), static_cast<int>(bytes.size()), wide, 4), 1);
        ASSERT_EQ(units[0], static_cast<char16_t>(wide[0])) << testing_support::Hex(bytes);
        const std::string back = page.FromUtf16(units);
        if (back != bytes) {
          // A character with two codes (NEC and IBM rows of 932) comes back as one of them.
          ASSERT_EQ(page.ToUtf16(back), units) << testing_support::Hex(bytes);
        }
        ++checked;
      }
    }
    EXPECT_GT(checked, number == 1252 ? 200 : 7000);
  }
  platform::SetAnsiCodePage(932);
}

TEST(Win32CodePage, StrayLeadBytesNeverSwallowASeparator) {
  platform::SetAnsiCodePage(932);
  struct Row { const char* name; std::string in; std::u16string out; };
  const Row rows[] = {
      {"before a quote", "\x82\"", u"\u30FB\""},
      {"before a comma", "\x82,", u"\u30FB,"},
      {"before CR LF", "\x82\r\n", u"\u30FB\r\n"},
      {"at the end", "a\x82", u"a\u30FB"},
      {"pair with 0x5C", "\x95\x5C", u"\u8868"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(platform::AnsiCodePage().ToUtf16(r.in), r.out);
  }
  // No best-fit look-alikes: what the page lacks is "?".
  EXPECT_EQ(platform::AnsiCodePage().FromUtf16(u"\u00E9\u0101"), "??");
}

// Text decodes as the system's own conversion decodes it, except that a lead
// byte before a byte below 0x40 stands alone, as it does at the end of a text,
// and that byte is read on its own.
TEST(Win32CodePage, DecodesAsTheSystemDoes) {
  // And back: bytes that are characters of the system's come back as they were.
  struct Row { const char* name; int page; std::string in; std::u16string out; std::string back; };
  const Row rows[] = {
      {"0x80", 932, "\x80", u"\u0080", "\x80"},
      {"0xA0", 932, "\xA0", u"\uF8F0", "\xA0"},
      {"0xFD to 0xFF", 932, "\xFD\xFE\xFF", u"\uF8F1\uF8F2\uF8F3", "\xFD\xFE\xFF"},
      {"a pair without a character", 932, "\x85\x40", u"\u30FB", "\x81\x45"},
      {"a lead byte and 0x7F", 932, "\x81\x7F", u"\u30FB", "\x81\x45"},
      {"a lead byte before LF", 932, "\x81\n", u"\u30FB\n", "\x81\x45\n"},
      {"C1 bytes of 1252", 1252, "\x81\x8D\x80", u"\u0081\u008D\u20AC", "\x81\x8D\x80"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    platform::SetAnsiCodePage(r.page);
    EXPECT_EQ(platform::AnsiCodePage().ToUtf16(r.in), r.out);
    EXPECT_EQ(platform::AnsiCodePage().FromUtf16(r.out), r.back);
  }

  auto system = [](int page, std::string_view bytes) {
    std::wstring wide(bytes.size() + 1, L'\0');
    const int n = MultiByteToWideChar(static_cast<UINT>(page), 0, bytes.data(), static_cast<int>(bytes.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    return std::u16string(wide.begin(), wide.begin() + n);
  };
  for (int number : {932, 936, 949, 950, 1252}) {
    SCOPED_TRACE(number);
    platform::SetAnsiCodePage(number);
    const platform::CodePage& page = platform::AnsiCodePage();
    for (unsigned first = 0; first < 256; ++first) {
      const std::string one(1, static_cast<char>(first));
      ASSERT_EQ(page.ToUtf16(one), system(number, one)) << testing_support::Hex(one);
      if (!page.IsLeadByte(static_cast<unsigned char>(first))) continue;
      for (unsigned next = 0; next < 256; ++next) {
        const std::string two = one + static_cast<char>(next);
        const std::u16string expected =
            next < 0x40 ? system(number, one) + system(number, two.substr(1)) : system(number, two);
        ASSERT_EQ(page.ToUtf16(two), expected) << testing_support::Hex(two);
      }
    }
  }
  platform::SetAnsiCodePage(932);
}

TEST(Win32Regional, TheUsersOwnSettingsApplyUnlessAProfileIsNamed) {
  platform::ClearRegionalProfileChoice();
  const platform::RegionalProfile& system = platform::ActiveRegionalProfile();
  EXPECT_EQ(system.name, "system");
  EXPECT_EQ(system.localeId & 0x3FF, 0x11u);  // Japanese
  EXPECT_EQ(system.ansiCodePage, 932);
  EXPECT_EQ(system.shortDate, "yyyy/MM/dd");
  EXPECT_EQ(system.timeSeparator, ":");
  ASSERT_FALSE(system.eraNames.empty());
  EXPECT_EQ(system.eraNames.front(), Sjis("令和"));
  EXPECT_EQ(system.eraYearOffsets.front(), "2019");
  ASSERT_TRUE(platform::UseRegionalProfile("en-US"));
  EXPECT_EQ(platform::ActiveRegionalProfile().name, "en-US");
  platform::ClearRegionalProfileChoice();
}

TEST(Win32Files, ReplacementIsWholeOrNothing) {
  TempDir dir;
  const std::string target = dir / "out.vcs";
  WriteFileBytes(target, "old contents, longer than the new");
  SaveFileBytes(target, "new");
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(EntryCount(dir), 1u);

  // A file another program holds open without sharing is refused before anything changes.
  HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_NE(ErrorOf([&] { SaveFileBytes(target, "x"); }).find(Sjis("を作成できません")), std::string::npos);
  EXPECT_NE(ErrorOf([&] { LoadFileBytes(target); }).find(Sjis("は開けません")), std::string::npos);
  CloseHandle(held);

  // A read-only file and a directory are refused the same way.
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(ErrorOf([&] { SaveFileBytes(target, "x"); }), "(no error)");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_NE(ErrorOf([&] { SaveFileBytes(dir.Path().string(), "x"); }), "(no error)");
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(EntryCount(dir), 1u);

  // A device cannot be renamed over: it is written in place.
  EXPECT_EQ(platform::ReplaceWholeFile("NUL", "discarded").failedAt, platform::WriteStage::Done);
}

TEST(Win32Files, MessagesNameTheFullPathAndTheSystemsReason) {
  TempDir dir;
  SetCurrentDirectoryA(dir.Path().string().c_str());
  const std::string message = ErrorOf([] { LoadFileBytes("missing.csv"); });
  const std::string full = platform::FullPath("missing.csv");
  EXPECT_EQ(full, dir / "missing.csv");
  EXPECT_EQ(message.rfind(Sjis("ファイル \"") + full + "\". ", 0), 0u) << message;
  EXPECT_EQ(message.substr(message.size() - Sjis(" は開けません").size()), Sjis(" は開けません"));
  // The system's text without its full stop and line break.
  const std::string reason = platform::ErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(reason.empty());
  EXPECT_NE(reason.back(), '.');
  EXPECT_NE(message.find(reason), std::string::npos);
  SetCurrentDirectoryA("C:\\");
}

TEST(Win32Paths, TrailBytes0x5CAreNoDelimiters) {
  platform::SetAnsiCodePage(932);
  // 表 and ソ end in 0x5C.
  const std::string program = Sjis("C:\\表\\ソ\\Quillmer.exe");
  EXPECT_EQ(SideFilePath(program, "option.txt"), Sjis("C:\\表\\ソ\\option.txt"));
  EXPECT_EQ(IniPath(program), Sjis("C:\\表\\ソ\\Quillmer.ini"));
  EXPECT_EQ(SideFilePath(Sjis("C:表"), "x"), "C:x");
  EXPECT_EQ(detail::ChooseSettingsDirectory("C:\\Program Files\\Quillmer\\", false, "C:\\Users\\u\\AppData\\Roaming"),
            "C:\\Users\\u\\AppData\\Roaming\\Quillmer\\");

  // The file layer and the settings reach such a directory on the real file system.
  TempDir dir;
  const std::string nested = dir.Path().string() + Sjis("\\表\\ソ");
  ASSERT_TRUE(platform::CreateDirectories(nested));
  const std::string file = SideFilePath(nested + "\\Quillmer.exe", "option.txt");
  SaveFileBytes(file, "A:1\r\n");
  EXPECT_EQ(LoadFileBytes(file), "A:1\r\n");
  EXPECT_EQ(platform::FullPath(file), file);
  ASSERT_TRUE(WriteProfileString(IniPath(nested + "\\Quillmer.exe"), "i/o", "terminate", "1"));
  EXPECT_EQ(ReadProfileString(nested + "\\Quillmer.ini", "i/o", "terminate", ""), "1");
  EXPECT_TRUE(platform::IsWritableDirectory(nested));
}

TEST(Win32VersionResource, TheProgramCarriesTheValuesOfTheBuild) {
  const std::string program = std::string(QUILLMER_BINARY_DIR) + "/Quillmer.exe";
  const std::optional<VersionInfo> read = ReadVersionResource(program);
  ASSERT_TRUE(read.has_value()) << program;
  const VersionInfo& built = ProgramVersionInfo();
  EXPECT_EQ(read->ProductName, built.ProductName);
  EXPECT_EQ(read->FileVersion, built.FileVersion);
  EXPECT_EQ(read->FileDescription, std::optional<AnsiText>(""));
  EXPECT_EQ(read->LegalCopyright, built.LegalCopyright);
  EXPECT_EQ(read->SpecialBuild, built.SpecialBuild);
  EXPECT_EQ(ComposeAboutCaptions(*read).version, ComposeAboutCaptions(built).version);
  EXPECT_FALSE(ReadVersionResource(std::string(QUILLMER_SOURCE_DIR) + "/README.md").has_value());
}

// While another program saves (it holds the settings directory's lock),
// saving waits, and then writes all three files.
TEST(Win32Files, SavingWaitsForTheOtherSaver) {
  TempDir dir;
  const std::string program = dir / "Quillmer";
  std::optional<platform::FileLock> held(std::in_place, SideFilePath(program, ""));
  ASSERT_TRUE(held->Held());
  std::thread saver([&] {
    FormValues values;
    values.SetMemoText(Memo::Option, "mine");
    SaveFormSettings(values, program);
  });
  Sleep(300);
  EXPECT_FALSE(std::filesystem::exists(dir / "option.txt"));
  held.reset();
  saver.join();
  EXPECT_EQ(ReadFileBytes(dir / "option.txt"), "mine");
}

// While the export is read nobody may write it, this program included: naming
// it as the output is refused with the system's reason, and it stays whole.
TEST(Win32Files, TheInputCannotBeItsOwnOutput) {
  TempDir dir;
  const std::string csv = dir / "export.csv";
  const std::string header = "\"Subject\",\"Location\"\r\n";
  WriteFileBytes(csv, header);
  EXPECT_NE(ErrorOf([&] { ConversionRun({csv, csv, {}, {}}); }).find(Sjis("を作成できません")), std::string::npos);
  EXPECT_EQ(ReadFileBytes(csv), header);
  EXPECT_EQ(EntryCount(dir), 1u);
}

// A named pipe as the output is opened once, when the bytes are complete: a
// probe would take the server's one instance and leave it disconnected. As
// the input, a read that waits for a silent server ends when cancelled.
TEST(Win32Files, NamedPipesAreOpenedOnceAndTheirReadsCancel) {
  const std::string name = "\\\\.\\pipe\\quillmer-test-" + std::to_string(GetCurrentProcessId());
  HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                   nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  SaveFileBytes(name, "through\r\n");
  char got[32] = {};
  DWORD size = 0;
  EXPECT_TRUE(ReadFile(server, got, sizeof got, &size, nullptr));
  EXPECT_EQ(std::string(got, size), "through\r\n");
  CloseHandle(server);

  server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  platform::ReadCancel cancel;
  platform::FileReader reader;
  ASSERT_EQ(reader.Open(name, &cancel), 0);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(server, "ab", 2, &written, nullptr));
  EXPECT_EQ(reader.Read(got, sizeof got).size, 2u);
  // The server never writes again; were the read not woken, closing the
  // server after a few seconds would end it.
  HANDLE readDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread closer([&] {
    Sleep(100);
    cancel.Cancel();
    if (WaitForSingleObject(readDone, 5000) != WAIT_OBJECT_0) DisconnectNamedPipe(server);
  });
  const ULONGLONG start = GetTickCount64();
  const platform::FileReader::Piece piece = reader.Read(got, sizeof got);
  SetEvent(readDone);
  closer.join();
  EXPECT_EQ(piece.error, platform::ReadCancelledError);
  EXPECT_LT(GetTickCount64() - start, 2000u);
  CloseHandle(readDone);
  CloseHandle(server);
}
