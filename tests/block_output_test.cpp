#include "conversion/block_output.h"

#include <algorithm>
#include <random>
#include <vector>

#include "platform/code_page.h"
#include "support/test_support.h"
#include "text/characters.h"
#include "text/content_line.h"
#include "text/quoted_printable.h"

using testing_support::SameBytes;
using testing_support::Sjis;

namespace {

// Hands the bytes on at every step, as a run's output hands on full pieces.
class HandingOn final : public BlockOutput {
 public:
  HandingOn(AnsiText& piece, std::string& handed, std::size_t& largest)
      : BlockOutput(piece, 0), handed_(handed), largest_(largest) {}
  void AppendOccurrence(std::uint64_t) override {}

 protected:
  void HandOn() override {
    largest_ = std::max(largest_, text_->size());
    handed_ += *text_;
    text_->clear();
  }

 private:
  std::string& handed_;
  std::size_t& largest_;
};

}  // namespace

// A value longer than a step is written in steps, its bytes handed on between
// them, and gives the bytes of the value written at once with its line breaks
// in it, as a short value is: pairs and
// escapes cut by a step's end, blanks before line breaks at the encoder's
// block ends, folds across steps, the line breaks of notes.
TEST(BlockOutput, ALongValueInStepsIsTheWholeValue) {
  platform::SetAnsiCodePage(932);
  std::mt19937 rng(5);
  const std::string pool[] = {Sjis("会議"), "a", "abcdefgh", " ", "\t", " \r\n", ",;\\", "\x82", "\x82\"", "\xFF"};
  for (int round = 0; round < 8; ++round) {
    std::string value(round % 2, 'x');  // the pairs start on odd and even bytes
    const std::size_t size = round < 4 ? 3 * BlockOutput::kStepBytes + rng() % 1000 : 300;  // and short ones whole
    while (value.size() < size) value += pool[rng() % std::size(pool)];
    std::vector<std::size_t> breaks(rng() % 40);
    for (std::size_t& at : breaks) at = rng() % (value.size() + 1);
    if (round == 0) breaks = {0, 0, value.size()};
    std::sort(breaks.begin(), breaks.end());
    std::string withBreaks;
    for (std::size_t k = 0, from = 0; k <= breaks.size(); ++k) {
      const std::size_t to = k < breaks.size() ? breaks[k] : value.size();
      withBreaks.append(value, from, to - from).append(k < breaks.size() ? "\n" : "");
      from = to;
    }

    std::string handed;
    AnsiText piece;
    std::size_t largest = 0;
    HandingOn out(piece, handed, largest);
    AppendQuotedPrintableItem("S:", value, out);
    AppendTextItem("D:", value, LineBreaks{breaks}, out);
    handed += piece;

    std::string expected = "S:" + EncodeQuotedPrintable(AnsiTextToUtf8(value)) + "\r\n";
    AppendTextLine("D:", withBreaks, expected);
    ASSERT_TRUE(SameBytes(handed, expected)) << "round " << round;
    EXPECT_LE(largest, 10 * BlockOutput::kStepBytes);
  }
}
