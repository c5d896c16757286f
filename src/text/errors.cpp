#include "text/errors.h"

#include <string>

#include "platform/code_page.h"

namespace {

AnsiText FileMessage(const AnsiText& fullPath, const AnsiText& errorText, const char* tail) {
  return platform::Cp932FromUtf8("ファイル ") + '"' + fullPath + "\". " + errorText +
         platform::Cp932FromUtf8(tail);
}

}  // namespace

FileOpenError::FileOpenError(const AnsiText& fullPath, const AnsiText& errorText)
    : QuillmerError(FileMessage(fullPath, errorText, " は開けません")) {}

FileCreateError::FileCreateError(const AnsiText& fullPath, const AnsiText& errorText)
    : QuillmerError(FileMessage(fullPath, errorText, " を作成できません")) {}

FileWriteError::FileWriteError()
    : QuillmerError(platform::Cp932FromUtf8("ストリームへの書き込みエラー")) {}

ListIndexError::ListIndexError(long long index)
    : QuillmerError(platform::Cp932FromUtf8("リストのインデックスが範囲を超えています (") +
                    std::to_string(index) + ")") {}

DateTimeTextError::DateTimeTextError(const AnsiText& text)
    : QuillmerError("'" + text + platform::Cp932FromUtf8("' は日付または時刻ではありません")) {}
