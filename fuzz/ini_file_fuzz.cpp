// The INI reader and writer on a fuzzed existing file: reading never fails,
// a write that reports success reads back byte for byte, and it changes no
// other key of the file; any path written reads back as the same path.
#include <fuzzer/FuzzedDataProvider.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings.h"
#include "fuzz_support.h"
#include "app/ini_file.h"

namespace fs = std::filesystem;

namespace {

struct Name {
  const char* section;
  const char* key;
};
// The program's own names, and a few that differ only in letter case or share
// a section.
constexpr Name kNames[] = {{"i/o", "input"},  {"i/o", "output"}, {"i/o", "terminate"},
                           {"I/O", "Input"},  {"other", "input"}, {"x", "k"}};

// One directory name per process; the directory exists only while an input
// runs, since libFuzzer ends without running exit handlers.
const fs::path& WorkDirectory() {
  static const fs::path dir = [] {
    std::string pattern = (fs::is_directory("/dev/shm") ? std::string("/dev/shm")
                                                         : fs::temp_directory_path().string()) +
                          "/quillmer-ini-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ::fuzz::Violated(__FILE__, __LINE__, "mkdtemp");
    return fs::path(pattern);
  }();
  fs::create_directory(dir);
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const Name& written = kNames[provider.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  const std::string value = provider.ConsumeRandomLengthString(64);
  const std::int32_t number = provider.ConsumeIntegral<std::int32_t>();
  const std::string file = provider.ConsumeRemainingBytesAsString();

  // Every 32-bit number written in decimal or as a hexadecimal pattern reads back.
  char hexText[16];
  std::snprintf(hexText, sizeof hexText, "$%X", static_cast<unsigned>(number));
  FUZZ_CHECK(detail::ParseWholeNumber(std::to_string(number)) == number);
  FUZZ_CHECK(detail::ParseWholeNumber("  " + std::to_string(number)) == number);
  FUZZ_CHECK(detail::ParseWholeNumber(hexText) == number);
  FUZZ_CHECK(detail::ParseWholeNumber(std::string("0x") + (hexText + 1)) == number);
  FUZZ_CHECK(!detail::ParseWholeNumber(std::to_string(number) + "a"));
  FUZZ_CHECK(!detail::ParseWholeNumber(std::to_string(static_cast<std::int64_t>(number) +
                                                      (number < 0 ? -(1ll << 32) : (1ll << 32)))));
  // Whatever the file holds, a value reads as a number or not, never worse.
  (void)detail::ParseWholeNumber(file.substr(0, 40));
  const std::string path = (WorkDirectory() / "quillmer.ini").string();
  struct Cleanup {
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(WorkDirectory(), ignored);
    }
  } cleanup;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(file.data(), static_cast<std::streamsize>(file.size()));

  std::string before[std::size(kNames)];
  for (std::size_t i = 0; i < std::size(kNames); ++i)
    before[i] = ReadProfileString(path, kNames[i].section, kNames[i].key, "\x01missing");

  const bool ok = WriteProfileString(path, written.section, written.key, value);
  FUZZ_CHECK(ok == (value.find_first_of("\r\n") == std::string::npos));
  if (!ok) return 0;

  for (std::size_t i = 0; i < std::size(kNames); ++i) {
    const std::string after =
        ReadProfileString(path, kNames[i].section, kNames[i].key, "\x01missing");
    const bool sameKey = std::string_view(kNames[i].key).size() == std::string_view(written.key).size() &&
                         strcasecmp(kNames[i].key, written.key) == 0 &&
                         strcasecmp(kNames[i].section, written.section) == 0;
    if (sameKey) {
      if (after != value) {
        fuzz::ReportPair("read back", after, value);
        FUZZ_CHECK(after == value);
      }
    } else if (after != before[i]) {
      std::fprintf(stderr, "[%s] %s changed by writing [%s] %s\n", kNames[i].section, kNames[i].key,
                   written.section, written.key);
      fuzz::ReportPair("value", after, before[i]);
      FUZZ_CHECK(after == before[i]);
    }
  }

  std::string pathBytes = value;
  pathBytes.erase(std::remove(pathBytes.begin(), pathBytes.end(), '\0'), pathBytes.end());
  SettingsFile settings(path);
  settings.WritePath(written.section, written.key, pathBytes);
  const std::string readPath = settings.ReadPath(written.section, written.key);
  if (readPath != pathBytes) {
    fuzz::ReportPair("path read back", readPath, pathBytes);
    FUZZ_CHECK(readPath == pathBytes);
  }
  return 0;
}
