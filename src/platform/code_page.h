#pragma once
// The ANSI code page service: lead bytes and conversions to and from UTF-16,
// built once per code page (tables from glibc iconv), never per call.
#include <string>
#include <string_view>

namespace platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual int Number() const = 0;
  virtual bool HasLeadBytes() const = 0;
  virtual bool IsLeadByte(unsigned char byte) const = 0;
  // Bytes that form no character become one replacement unit; never fails.
  virtual std::u16string ToUtf16(std::string_view ansi) const = 0;
  // Units without a character become the code page's default character.
  virtual std::string FromUtf16(std::u16string_view units) const = 0;
};

// The code page of the active regional profile (932 until one is chosen).
const CodePage& AnsiCodePage();
// Makes `number` the ANSI code page (932, 936, 949, 950, 1252, ...).
void SetAnsiCodePage(int number);

// The code page the program's own texts are carried in (932), whatever the
// profile: what a display decodes them from.
const CodePage& FixedTextCodePage();

// The program's own fixed texts are written in UTF-8 in the sources and carried
// as code page 932 bytes, whatever the active code page.
std::string Cp932FromUtf8(std::string_view utf8);

}  // namespace platform
