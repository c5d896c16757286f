#include "app/qt/ansi_qt.h"

#include "platform/code_page.h"

QString QStringFromAnsi(std::string_view text) {
  return QString::fromStdU16String(platform::AnsiCodePage().ToUtf16(text));
}

QString QStringFromFixed(std::string_view text) {
  return QString::fromStdU16String(platform::FixedTextCodePage().ToUtf16(text));
}

AnsiText AnsiFromQString(const QString& text) {
  return platform::AnsiCodePage().FromUtf16(text.toStdU16String());
}
