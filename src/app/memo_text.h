#pragma once
// The text of the option and filter boxes: AnsiText with CR LF line breaks,
// read from and written to the side files, and its line view.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/ansi_text.h"
#include "text/line_list.h"

// The largest text a box takes; beyond it loading raises
// 文字列の大きさがメモの制限を越えました.
inline constexpr std::size_t MemoTextLimit = 64u * 1024u * 1024u;
inline constexpr std::size_t MemoLineByteLimit = 4096;

// Raises PlainError with the box's limit message when text is over MemoTextLimit.
void CheckMemoTextLimit(std::string_view text);

// CR LF kept, a lone CR or LF made CR LF (also after a lead byte, which then
// stands alone).
AnsiText NormaliseMemoLineBreaks(std::string_view bytes);
// A side file as the box shows it: normalised, cut at its first NUL, checked
// against MemoTextLimit. Raises FileOpenError or PlainError.
AnsiText ReadMemoFile(const std::string& path);
// The box's text, byte for byte. A symbolic link is written through only when
// it has the owner of its directory. Raises FileCreateError or FileWriteError.
void WriteMemoFile(const std::string& path, std::string_view memoText);
// The text to save from a box that was loaded with `loaded` and now gives back
// `shown` (its characters in the code page): every line that still shows as
// a loaded line does keeps that line's bytes, so bytes without a character
// and characters with two encodings survive where the user did not edit.
AnsiText KeepLoadedBytes(std::string_view loaded, std::string_view shown);
// Lines 0 .. Count-1 of the box: a final empty line is not counted, a line is
// cut at MemoLineByteLimit bytes.
LineList MemoLines(std::string_view memoText);
