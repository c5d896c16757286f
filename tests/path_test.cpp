#include "platform/path.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

using platform::PathStyle;
using testing_support::Sjis;

namespace {

TEST(Path, AbsoluteAndLexicallyNormalisedInBothStyles) {
  // ソ and 表 end in 0x5C, the value of "\".
  const std::string names = Sjis("ソ表");
  struct Row {
    const char* name;
    PathStyle style;
    std::string in, current, out;
  };
  const Row rows[] = {
      {"empty stays empty", PathStyle::Posix, "", "/home/u", ""},
      {"dots and doubled slashes", PathStyle::Posix, "/a/./b//c/../d", "/home/u", "/a/b/d"},
      {"above the root stays at the root", PathStyle::Posix, "/../..", "/home/u", "/"},
      {"trailing slash kept", PathStyle::Posix, "/a/b/", "/home/u", "/a/b/"},
      {"relative to the current directory", PathStyle::Posix, "x/y.csv", "/home/u", "/home/u/x/y.csv"},
      {"dot dot from the current directory", PathStyle::Posix, "../x", "/home/u", "/home/x"},
      {"backslash is a name byte", PathStyle::Posix, "a\\..\\b", "/", "/a\\..\\b"},
      {"double-byte name", PathStyle::Posix, "/t/" + names + ".csv", "/", "/t/" + names + ".csv"},
      {"drive and dots", PathStyle::Windows, "C:\\a\\.\\b\\\\c\\..\\d", "D:\\x", "C:\\a\\b\\d"},
      {"above the drive's root", PathStyle::Windows, "C:\\..\\..", "D:\\x", "C:\\"},
      {"trailing backslash kept", PathStyle::Windows, "C:\\a\\", "D:\\x", "C:\\a\\"},
      {"slashes become backslashes", PathStyle::Windows, "C:/a/b", "D:\\x", "C:\\a\\b"},
      {"relative", PathStyle::Windows, "x\\y.csv", "C:\\work", "C:\\work\\x\\y.csv"},
      {"rooted on the current drive", PathStyle::Windows, "\\x", "D:\\work", "D:\\x"},
      {"drive-relative on the current drive", PathStyle::Windows, "c:x", "C:\\work", "c:\\work\\x"},
      {"drive-relative on another drive", PathStyle::Windows, "D:x", "C:\\work", "D:\\x"},
      {"a share is a root", PathStyle::Windows, "\\\\srv\\share\\..\\a", "C:\\", "\\\\srv\\share\\a"},
      {"relative on a share", PathStyle::Windows, "..\\..\\a", "\\\\srv\\share\\d", "\\\\srv\\share\\a"},
      {"trail byte 0x5C is no delimiter", PathStyle::Windows, "C:\\" + names + "\\..\\x", "D:\\", "C:\\x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(platform::AbsolutePath(row.in, row.current, row.style), row.out);
  }
}

}  // namespace
