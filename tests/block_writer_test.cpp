#include "conversion/block_writer.h"

#include <atomic>
#include <thread>

#include "support/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::SameBytes;
using testing_support::TempDir;

// Pieces written by whichever thread comes first reach the file in order.
TEST(BlockWriter, PiecesWrittenByAnyThreadKeepTheirOrder) {
  TempDir dir;
  const std::string path = dir / "out.vcs";
  OutputFile output(path);
  BlockWriter writer(output);
  std::atomic<bool> done{false};
  std::thread helper([&] {
    while (!done) {
      if (!writer.WriteWaitingPiece()) std::this_thread::yield();
    }
  });
  std::string expected;
  for (int i = 0; i < 100000; ++i) {
    const std::string line = std::to_string(i) + std::string(90, 'x') + "\r\n";
    writer.Piece() += line;
    expected += line;
    writer.PieceMayBeFull();
  }
  writer.Finish();
  done = true;
  helper.join();
  output.Commit();
  EXPECT_TRUE(SameBytes(ReadFileBytes(path), expected));
}
