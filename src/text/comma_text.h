#pragma once
// Splitting one record into its fields: optional double quotes, blanks that end
// unquoted fields and are skipped around commas, double-byte characters whole.
#include <string_view>

#include "text/ansi_text.h"
#include "text/line_list.h"

struct QuotedField {
  AnsiText value;
  std::size_t next;  // byte just after the closing quote, or the text's end
};

// Empties fields, then appends every field of text. Accepts every text.
void SplitCommaText(LineList& fields, std::string_view text);
// text[quote] is the opening quote; doubled quotes reduce to one. A field
// whose closing quote never comes keeps everything up to the end of the text
// (doubled quotes still reduced), so «"abc» gives «abc» and a lone «"» gives an
// empty value: no byte of the record is lost. `next` is then the text's end.
QuotedField ExtractQuotedField(std::string_view text, std::size_t quote);
