#include "text/errors.h"

#include <string>

#include "platform/code_page.h"

namespace {

MessagePiece Fixed(const char* utf8) { return {MessagePiece::Source::Fixed, platform::Cp932FromUtf8(utf8)}; }

MessagePiece Quoted(const AnsiText& text) { return {MessagePiece::Source::Quoted, text}; }

MessagePieces FileMessage(const AnsiText& fullPath, const AnsiText& errorText, const char* tail) {
  return {Fixed("ファイル \""), Quoted(fullPath), Fixed("\". "), Quoted(errorText), Fixed(tail)};
}

}  // namespace

QuillmerError::QuillmerError(AnsiText message)
    : pieces_{{MessagePiece::Source::Fixed, message}}, message_(std::move(message)) {}

QuillmerError::QuillmerError(MessagePieces pieces) : pieces_(std::move(pieces)) {
  for (const MessagePiece& piece : pieces_) message_ += piece.bytes;
}

FileOpenError::FileOpenError(const AnsiText& fullPath, const AnsiText& errorText)
    : QuillmerError(FileMessage(fullPath, errorText, " は開けません")) {}

FileCreateError::FileCreateError(const AnsiText& fullPath, const AnsiText& errorText)
    : QuillmerError(FileMessage(fullPath, errorText, " を作成できません")) {}

FileWriteError::FileWriteError()
    : QuillmerError(platform::Cp932FromUtf8("ストリームへの書き込みエラー")) {}

ListIndexError::ListIndexError(long long index)
    : QuillmerError(platform::Cp932FromUtf8("リストのインデックスが範囲を超えています (") +
                    std::to_string(index) + ")") {}

OptionLineError::OptionLineError(long long number, const AnsiText& line)
    : QuillmerError(MessagePieces{Fixed(("オプションの " + std::to_string(number) + " 行目 '").c_str()), Quoted(line),
                                  Fixed("' は iCalendar の行として書けません")}) {}

namespace {

MessagePieces NotDateMessage(const AnsiText& text, DateTimeTextError::Hint hint) {
  MessagePieces pieces{Fixed("'"), Quoted(text), Fixed("' は日付または時刻ではありません")};
  // The window has no --locale: it reads the variable.
  if (hint == DateTimeTextError::Hint::DayFirst)
    pieces.push_back(Fixed("。月/日/年の順では読めませんが、日/月/年の順の日付として読めます。--locale en-GB "
                           "(ウィンドウでは環境変数 QUILLMER_LOCALE=en-GB) を指定してください"));
  return pieces;
}

}  // namespace

DateTimeTextError::DateTimeTextError(const AnsiText& text, Hint hint) : QuillmerError(NotDateMessage(text, hint)) {}
