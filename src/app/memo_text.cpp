#include "app/memo_text.h"

#include "platform/code_page.h"
#include "text/errors.h"
#include "text/text_file.h"

AnsiText NormaliseMemoLineBreaks(std::string_view bytes) {
  const platform::CodePage& page = platform::AnsiCodePage();
  AnsiText text;
  text.reserve(bytes.size() + bytes.size() / 16);
  std::size_t p = 0;
  while (p < bytes.size()) {
    const char c = bytes[p];
    if (page.IsLeadByte(static_cast<unsigned char>(c)) && p + 1 < bytes.size()) {
      // A double-byte character is copied whole, even when its second byte is CR or LF.
      text.append(bytes, p, 2);
      p += 2;
    } else if (c == '\r') {
      text += "\r\n";
      p += (p + 1 < bytes.size() && bytes[p + 1] == '\n') ? 2 : 1;
    } else if (c == '\n') {
      text += "\r\n";
      ++p;
    } else {
      text += c;
      ++p;
    }
  }
  return text;
}

AnsiText ReadMemoFile(const std::string& path) {
  AnsiText text = NormaliseMemoLineBreaks(LoadFileBytes(path));
  // The box keeps its text only up to the first NUL.
  const std::size_t nul = text.find('\0');
  if (nul != AnsiText::npos) text.resize(nul);
  if (text.size() > MemoTextLimit) {
    throw PlainError(platform::Cp932FromUtf8("文字列の大きさがメモの制限を越えました"));
  }
  return text;
}

void WriteMemoFile(const std::string& path, std::string_view memoText) {
  SaveFileBytes(path, memoText, platform::FollowLinks::OfTheDirectoryOwner);
}

LineList MemoLines(std::string_view memoText) {
  LineList lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = memoText.find("\r\n", start);
    const std::string_view line =
        memoText.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (end == std::string_view::npos) {
      // The box's last line is not counted when it is empty.
      if (!line.empty()) lines.Append(AnsiText(line.substr(0, MemoLineByteLimit)));
      break;
    }
    lines.Append(AnsiText(line.substr(0, MemoLineByteLimit)));
    start = end + 2;
  }
  return lines;
}
