#include "app/memo_text.h"

#include <map>
#include <vector>

#include "app/main_form.h"

#include "platform/code_page.h"
#include "text/errors.h"
#include "text/line_cursor.h"
#include "text/text_file.h"

void CheckMemoTextLimit(std::string_view text) {
  if (text.size() > MemoTextLimit) throw PlainError(MemoLimitMessage());
}

AnsiText NormaliseMemoLineBreaks(std::string_view bytes) {
  // CR and LF are never the second byte of a character, so the lines are
  // found byte by byte, NULs kept: the box cuts at the first one later.
  AnsiText text;
  text.reserve(bytes.size() + bytes.size() / 16);
  LineCursor lines = LineCursor::KeepingNul(bytes);
  std::string_view line;
  while (lines.Next(line)) {
    text.append(line);
    if (line.data() + line.size() != bytes.data() + bytes.size()) text += "\r\n";
  }
  return text;
}

AnsiText ReadMemoFile(const std::string& path) {
  AnsiText text = NormaliseMemoLineBreaks(LoadFileBytes(path));
  // The box keeps its text only up to the first NUL.
  const std::size_t nul = text.find('\0');
  if (nul != AnsiText::npos) text.resize(nul);
  CheckMemoTextLimit(text);
  return text;
}

void WriteMemoFile(const std::string& path, std::string_view memoText) {
  SaveFileBytes(path, memoText, platform::FollowLinks::OfTheDirectoryOwner);
}

namespace {

// A box's lines: only CR LF breaks one, and the empty text is one empty line.
constexpr LineCursor::Options kBoxLines{.crLfOnly = true, .keepNul = true, .emptyLastLine = true};

std::vector<std::string_view> CrLfPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  LineCursor cursor(text, kBoxLines);
  for (std::string_view line; cursor.Next(line);) pieces.push_back(line);
  return pieces;
}

}  // namespace

AnsiText KeepLoadedBytes(std::string_view loaded, std::string_view shown) {
  if (loaded == shown) return AnsiText(loaded);
  const platform::CodePage& page = platform::AnsiCodePage();
  const std::vector<std::string_view> before = CrLfPieces(loaded);
  const std::vector<std::string_view> after = CrLfPieces(shown);
  std::vector<AnsiText> beforeShown;
  beforeShown.reserve(before.size());
  for (std::string_view line : before) beforeShown.push_back(page.FromUtf16(page.ToUtf16(line)));

  // The user edits in one place at a time: lines are matched from both ends
  // in order, and those between by their text.
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && beforeShown[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         beforeShown[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  std::map<std::string_view, std::string_view> middle;
  for (std::size_t i = head; i < before.size() - tail; ++i) middle.emplace(beforeShown[i], before[i]);

  AnsiText text;
  text.reserve(shown.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i > 0) text += "\r\n";
    if (i < head) {
      text += before[i];
    } else if (i >= after.size() - tail) {
      text += before[before.size() - (after.size() - i)];
    } else if (const auto found = middle.find(after[i]); found != middle.end()) {
      text += found->second;
    } else {
      text += after[i];
    }
  }
  return text;
}

LineList MemoLines(std::string_view memoText) {
  LineList lines;
  // The box's last line is not counted when it is empty.
  LineCursor cursor(memoText, {.crLfOnly = true, .keepNul = true});
  for (std::string_view line; cursor.Next(line);) lines.Append(AnsiText(line.substr(0, MemoLineByteLimit)));
  return lines;
}
