#pragma once
// Where a block's bytes go. A long value is encoded in steps, and between
// steps the bytes so far may be handed on (to the output file), so that
// memory does not grow with the value.
#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>

#include "text/ansi_text.h"
#include "text/content_line.h"

class BlockOutput {
 public:
  // Every byte stays in text.
  explicit BlockOutput(AnsiText& text) : text_(&text) {}
  // handOn may take the bytes of the text it was given; it returns where the
  // next ones go.
  BlockOutput(AnsiText& text, std::function<AnsiText&()> handOn) : text_(&text), handOn_(std::move(handOn)) {}

  // Where the next bytes go, until the next Step.
  AnsiText& Text() const { return *text_; }
  // A point between two steps of a long value.
  void Step() {
    if (handOn_) text_ = &handOn_();
  }

  // The input a step of a long value takes.
  static constexpr std::size_t kStepBytes = std::size_t{64} << 10;

 private:
  AnsiText* text_;
  std::function<AnsiText&()> handOn_;
};

// head, the AnsiText value in UTF-8 as quoted-printable, CR LF.
void AppendQuotedPrintableItem(std::string_view head, std::string_view ansiValue, BlockOutput& out);
// AppendTextLine(head, value, breaks).
void AppendTextItem(std::string_view head, std::string_view ansiValue, LineBreaks breaks, BlockOutput& out);
