// Record splitting against a literal, character-by-character reading of the
// splitting rules, on a record held in an exactly-sized heap block so that
// any read past its end is reported.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/code_page.h"
#include "text/comma_text.h"
#include "text/line_list.h"

namespace {

bool IsBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// A lead byte takes the byte after it whole, unless it is the last byte or
// below 0x40 (no trail byte is).
std::size_t Next(std::string_view text, std::size_t p) {
  const auto& page = platform::AnsiCodePage();
  if (page.IsLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < text.size() &&
      static_cast<unsigned char>(text[p + 1]) >= 0x40)
    return p + 2;
  return p + 1;
}

std::size_t SkipBlanks(std::string_view text, std::size_t p) {
  while (p < text.size() && IsBlank(text[p])) p = Next(text, p);
  return p;
}

QuotedField LiteralQuoted(std::string_view text, std::size_t quote) {
  QuotedField field{{}, text.size()};
  std::size_t p = quote + 1;
  while (p < text.size()) {
    if (text[p] != '"') {
      const std::size_t next = Next(text, p);
      field.value.append(text.substr(p, next - p));
      p = next;
      continue;
    }
    if (p + 1 < text.size() && text[p + 1] == '"') {
      field.value += '"';
      p += 2;
      continue;
    }
    field.next = p + 1;
    return field;
  }
  return field;  // no closing quote: the whole rest is the value
}

std::vector<std::string> LiteralSplit(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> fields;
  std::size_t p = SkipBlanks(text, 0);
  while (p < text.size()) {
    if (text[p] == '"') {
      QuotedField field = LiteralQuoted(text, p);
      fields.push_back(field.value);
      p = field.next;
    } else {
      const std::size_t start = p;
      while (p < text.size() && static_cast<unsigned char>(text[p]) > 0x20 && text[p] != ',')
        p = Next(text, p);
      fields.emplace_back(text.substr(start, p - start));
    }
    p = SkipBlanks(text, p);
    if (p < text.size() && text[p] == ',') {
      if (p + 1 == text.size()) fields.emplace_back();
      p = SkipBlanks(text, p + 1);
    }
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ExactBytes record(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string_view text = record.View();

  LineList fields{"left over from the previous record"};
  SplitCommaText(fields, text);
  const std::vector<std::string> expected = LiteralSplit(text);
  if (fields.Items() != expected) {
    std::fprintf(stderr, "split gave %d fields, the literal reading %zu\n", fields.Count(),
                 expected.size());
    for (std::size_t i = 0; i < expected.size() && i < fields.Items().size(); ++i) {
      if (fields.Items()[i] != expected[i]) {
        std::fprintf(stderr, "first difference in field %zu\n", i);
        fuzz::ReportPair("field", fields.Items()[i], expected[i]);
        break;
      }
    }
    FUZZ_CHECK(fields.Items() == expected);
  }

  // Every quote of the record, taken as the start of a quoted field.
  const std::string_view beforeNul = text.substr(0, text.find('\0'));
  for (std::size_t q = beforeNul.find('"'); q != std::string_view::npos;
       q = beforeNul.find('"', q + 1)) {
    const QuotedField got = ExtractQuotedField(text, q);
    const QuotedField want = LiteralQuoted(beforeNul, q);
    if (got.value != want.value || got.next != want.next) {
      std::fprintf(stderr, "quoted field at %zu: next %zu, expected %zu\n", q, got.next, want.next);
      fuzz::ReportPair("value", got.value, want.value);
      FUZZ_CHECK(got.value == want.value && got.next == want.next);
    }
  }
  return 0;
}
