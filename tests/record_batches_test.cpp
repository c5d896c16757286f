#include "conversion/record_batches.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "support/test_support.h"

namespace {

class TextSource final : public ByteSource {
 public:
  explicit TextSource(std::string text) : text_(std::move(text)) {}
  std::size_t Read(char* buffer, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, text_.size() - read_);
    std::memcpy(buffer, text_.data() + read_, n);
    read_ += n;
    return n;
  }

 private:
  std::string text_;
  std::size_t read_ = 0;
};

std::string Titles(const RecordBatch& batch) {
  std::string titles;
  for (std::size_t i = 0; i < batch.records.size(); ++i) titles.append(batch.Fields(i).ItemAt(0)).append("\n");
  return titles;
}

}  // namespace

// A caller that falls behind finds batches split, and converted if asked,
// ahead of it, in their place among the others, the failures to convert kept
// for it to meet in its turn.
TEST(RecordBatches, TheReaderWorksAheadOfACallerThatFallsBehind) {
  constexpr int kCount = 200000;  // many more batches than are read ahead
  std::string text = "\"header\"\r\n";
  std::string expected;
  for (int i = 1; i <= kCount; ++i) {
    text += "\"r" + std::to_string(i) + "\",\"x\"\r\n";
    expected += "r" + std::to_string(i) + "\n";
  }
  const RecordFilter filter{LineList{}};
  for (const bool convert : {false, true}) {
    SCOPED_TRACE(convert ? "converted ahead" : "split ahead");
    TextSource source(text);
    std::atomic<int> calls{0};
    RecordBatches::ConvertAhead convertAhead;
    if (convert) {
      convertAhead = [&calls](const RecordBatch& batch, RecordBatch::Converted& into) {
        into.blocks = Titles(batch);
        into.converted = batch.records.size();
        if (++calls % 2 == 0) throw std::runtime_error("every second one fails");
      };
    }
    RecordBatches batches(source, filter, convertAhead);

    const RecordBatch* batch = batches.Next();
    // Behind: the reader fills every slot and then works on them.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (int waited = 0; convert && calls == 0 && waited < 10000; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::string titles;
    int ahead = 0;
    int failed = 0;
    for (; batch != nullptr; batch = batches.Next()) {
      const std::string here = Titles(*batch);
      if (batch->ahead.done) {
        ++ahead;
        EXPECT_EQ(batch->ahead.blocks, here);
        EXPECT_EQ(batch->ahead.converted, batch->records.size());
        if (batch->ahead.error) ++failed;
      }
      titles += here;
    }
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(ahead, calls);
    EXPECT_EQ(failed, calls / 2);
    if (convert) {
      EXPECT_GT(calls, 0) << "the reader never ran out of room";
    }
  }
}
