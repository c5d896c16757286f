#include "app/error_text.h"

#include "platform/code_page.h"
#include "text/characters.h"

AnsiText ErrorBoxText(std::string_view message) {
  AnsiText text(message);
  if (message.empty()) return text;
  // Step back over a trail byte so a double-byte character is compared whole.
  std::size_t last = message.size() - 1;
  if (last > 0 && ByteKindAt(message, 0, last) == ByteKind::Trail) --last;
  if (message.substr(last) > std::string_view(".")) text += '.';
  return text;
}

std::u16string ShownErrorText(const QuillmerError& error) {
  std::u16string shown;
  for (const MessagePiece& piece : error.Pieces()) {
    const platform::CodePage& page = piece.source == MessagePiece::Source::Fixed ? platform::FixedTextCodePage()
                                                                                 : platform::AnsiCodePage();
    shown += page.ToUtf16(piece.bytes);
  }
  if (ErrorBoxText(error.Message()).size() > error.Message().size()) shown += u'.';
  return shown;
}

std::u16string ShownFixedText(std::string_view text) { return platform::FixedTextCodePage().ToUtf16(text); }
