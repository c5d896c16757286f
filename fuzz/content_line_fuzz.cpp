// iCalendar content lines on any bytes: every physical line at most 75 octets,
// CR LF only as line ends, no fold inside a UTF-8 sequence of the value, and
// unfolding (then unescaping, for TEXT) gives back the value converted to
// UTF-8, its control characters but tab left out. The first byte chooses TEXT from code page 932 or a whole line
// copied as it is, invalid UTF-8 included.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/code_page.h"
#include "text/characters.h"
#include "text/content_line.h"

namespace {

// The logical line; checks the physical lines on the way.
std::string Unfold(std::string_view out, bool utf8Value) {
  FUZZ_CHECK(out.size() >= 2 && out.substr(out.size() - 2) == "\r\n");
  std::string line;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find("\r\n", start);
    FUZZ_CHECK(end != std::string_view::npos);
    const std::string_view physical = out.substr(start, end - start);
    FUZZ_CHECK(physical.size() <= 75);
    FUZZ_CHECK(physical.find_first_of("\r\n") == std::string_view::npos);
    if (start > 0) {
      FUZZ_CHECK(!physical.empty() && physical[0] == ' ');
      if (utf8Value && physical.size() > 1) FUZZ_CHECK((static_cast<unsigned char>(physical[1]) & 0xC0) != 0x80);
      line.append(physical.substr(1));
    } else {
      line.append(physical);
    }
    start = end + 2;
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const bool ready = [] {
    platform::SetAnsiCodePage(932);
    return true;
  }();
  (void)ready;
  // Values never hold a CR (the export's lines end there), and option lines
  // no LF either; an LF in a value is a line break of the notes.
  const bool text = data[0] & 1;
  std::string bytes;
  for (std::size_t i = 1; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c != '\r' && (text || c != '\n')) bytes += c;
  }
  const fuzz::ExactBytes input(bytes);

  std::string out;
  if (text) {
    AppendTextLine("DESCRIPTION:", input.View(), out);
    const std::string line = Unfold(out, true);
    FUZZ_CHECK(line.starts_with("DESCRIPTION:"));
    std::string value;
    for (std::size_t i = 12; i < line.size(); ++i) {
      if (line[i] != '\\') {
        FUZZ_CHECK(line[i] != ';' && line[i] != ',' && line[i] != '\n');
        value += line[i];
        continue;
      }
      FUZZ_CHECK(i + 1 < line.size());
      const char next = line[++i];
      FUZZ_CHECK(next == '\\' || next == ';' || next == ',' || next == 'n');
      value += next == 'n' ? '\n' : next;
    }
    // TEXT holds no control character but tab; line breaks are escaped.
    std::string expected;
    for (const char c : AnsiTextToUtf8(input.View())) {
      const auto b = static_cast<unsigned char>(c);
      if ((b >= 0x20 && b != 0x7F) || c == '\t' || c == '\n') expected += c;
    }
    if (value != expected) {
      fuzz::ReportPair("TEXT value", value, expected);
      FUZZ_CHECK(false);
    }
  } else {
    // Bytes that are no UTF-8 and line breaks of the input are copied too.
    AppendFoldedLine(input.View(), out);
    const std::string line = Unfold(out, false);
    FUZZ_CHECK(line == input.View());
  }
  return 0;
}
