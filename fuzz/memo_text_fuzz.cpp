// The option and filter boxes' text: line breaks normalised as the literal
// byte walk does it (and a second pass changes nothing), the line view gives
// back the text it was taken from, and the text saved from an edited box
// shows exactly what the box showed, keeping the loaded bytes when unedited.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "app/memo_text.h"
#include "fuzz_support.h"
#include "platform/code_page.h"

namespace {

constexpr int kPages[] = {932, 932, 936, 1252};

// No character ends in CR or LF, so the walk is over bytes.
std::string LiteralNormalise(std::string_view in) {
  std::string out;
  for (std::size_t p = 0; p < in.size();) {
    if (in[p] == '\r' && p + 1 < in.size() && in[p + 1] == '\n') {
      out += "\r\n";
      p += 2;
    } else if (in[p] == '\r' || in[p] == '\n') {
      out += "\r\n";
      p += 1;
    } else {
      out += in[p++];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  platform::SetAnsiCodePage(kPages[provider.ConsumeIntegralInRange<std::size_t>(0, 3)]);
  const bool longLines = provider.ConsumeBool();
  std::string bytes = provider.ConsumeRemainingBytesAsString();
  if (longLines) {
    // Stretch the first line past the line limit of the view.
    bytes.insert(0, MemoLineByteLimit - 8, 'x');
  }
  const fuzz::ExactBytes exact(bytes);

  const AnsiText text = NormaliseMemoLineBreaks(exact.View());
  const std::string literal = LiteralNormalise(bytes);
  if (text != literal) {
    fuzz::ReportPair("normalised", text, literal);
    FUZZ_CHECK(text == literal);
  }
  FUZZ_CHECK(NormaliseMemoLineBreaks(text) == text);

  const fuzz::ExactBytes memo(text);
  const LineList lines = MemoLines(memo.View());
  AnsiText joined;
  bool cut = false;
  for (int i = 0; i < lines.Count(); ++i) {
    FUZZ_CHECK(lines.ItemAt(i).size() <= MemoLineByteLimit);
    if (lines.ItemAt(i).size() == MemoLineByteLimit) cut = true;
    if (i > 0) joined += "\r\n";
    joined += lines.ItemAt(i);
  }
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) joined += "\r\n";
  if (!cut) {
    if (joined != text) {
      fuzz::ReportPair("lines joined", joined, text);
      FUZZ_CHECK(joined == text);
    }
  }

  // The box shows characters; the first half of the text plays the loaded
  // text, the second the box's text after an edit.
  const platform::CodePage& page = platform::AnsiCodePage();
  auto shown = [&page](std::string_view t) { return page.FromUtf16(page.ToUtf16(t)); };
  const std::string_view loaded = std::string_view(text).substr(0, text.size() / 2);
  const AnsiText edited = shown(std::string_view(text).substr(text.size() / 2));
  FUZZ_CHECK(KeepLoadedBytes(loaded, shown(loaded)) == loaded);
  const AnsiText saved = KeepLoadedBytes(loaded, edited);
  if (shown(saved) != edited) {
    fuzz::ReportPair("saved text as shown", shown(saved), edited);
    FUZZ_CHECK(shown(saved) == edited);
  }
  return 0;
}
