#include "conversion/block_output.h"

#include <string>

#include "text/characters.h"
#include "text/quoted_printable.h"

// A short value is converted whole (the usual case, one pass each); a long
// one a step at a time, each step's bytes written before the next is read.
void AppendQuotedPrintableItem(std::string_view head, std::string_view ansiValue, BlockOutput& out) {
  thread_local std::string utf8;
  out.Text().append(head);
  if (ansiValue.size() <= BlockOutput::kStepBytes) {
    utf8.clear();
    AppendAnsiTextToUtf8(ansiValue, utf8);
    AppendQuotedPrintable(utf8, out.Text());
  } else {
    QuotedPrintableWriter encoder;
    for (std::size_t p = 0; p < ansiValue.size();) {
      utf8.clear();
      p += AppendAnsiTextToUtf8Step(ansiValue.substr(p), BlockOutput::kStepBytes, utf8);
      encoder.Append(utf8, out.Text());
      out.Step();
    }
    encoder.Finish(out.Text());
  }
  out.Text().append("\r\n");
}

// Each line of the value is converted on its own: no character spans a
// line break.
void AppendTextItem(std::string_view head, std::string_view ansiValue, LineBreaks breaks, BlockOutput& out) {
  if (ansiValue.size() <= BlockOutput::kStepBytes) {
    AppendTextLine(head, ansiValue, breaks, out.Text());
    return;
  }
  TextLineWriter line(head, out.Text());
  std::size_t start = 0;
  for (std::size_t k = 0;; ++k) {
    const std::size_t end = k < breaks.size() ? breaks[k] : ansiValue.size();
    const std::string_view segment = ansiValue.substr(start, end - start);
    for (std::size_t p = 0; p < segment.size();) {
      p += line.PutText(segment.substr(p), BlockOutput::kStepBytes, out.Text());
      out.Step();
    }
    if (k == breaks.size()) break;
    line.PutLineBreak(out.Text());
    start = end;
  }
  line.End(out.Text());
}
