#pragma once
// Splitting one record into its fields: optional double quotes, blanks that end
// unquoted fields and are skipped around commas. Double-byte characters stay
// whole: none ends in a quote, comma or blank, and a lead byte before one of
// those is a character of its own.
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "text/ansi_text.h"
#include "text/line_list.h"

struct QuotedField {
  AnsiText value;
  std::size_t next;  // byte just after the closing quote, or the text's end
};

// Where one field's value is: `size` bytes at `raw` of the record's own text
// (after the opening quote of a quoted field), or, for a quoted value whose
// doubled quotes were reduced, at `reducedAt` of the buffer such values are
// written to; `raw` still tells where its bytes stand in the record.
struct FieldPlace {
  static constexpr std::size_t kInText = static_cast<std::size_t>(-1);
  std::size_t raw;
  std::size_t size;
  std::size_t reducedAt = kInText;
  bool Reduced() const { return reducedAt != kInText; }
};

// The one splitting rule: appends the place of every field of text to places,
// and the values it had to reduce to `reduced`. Accepts every text.
void FindCommaFields(std::string_view text, std::vector<FieldPlace>& places, AnsiText& reduced);
// The same places without the reduced values: a reduced place's size is
// right, its reducedAt only tells that it was reduced.
void FindCommaFieldPlaces(std::string_view text, std::vector<FieldPlace>& places);
// The value at a place, in the text and the buffer FindCommaFields filled.
std::string_view FieldValue(const FieldPlace& place, std::string_view text, std::string_view reduced);
// Empties fields, then appends every field of text, copied.
void SplitCommaText(LineList& fields, std::string_view text);

// The fields of one record as views, indexed as a list's items are.
class FieldViews {
 public:
  explicit FieldViews(std::span<const std::string_view> items) : items_(items) {}
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises ListIndexError for index < 0 or index >= Count.
  std::string_view ItemAt(int index) const {
    CheckListIndex(index, Count());
    return items_[static_cast<std::size_t>(index)];
  }

 private:
  std::span<const std::string_view> items_;
};
// Views of the list's items, valid while the list is unchanged.
std::vector<std::string_view> ViewsOf(const LineList& fields);
// text[quote] is the opening quote; doubled quotes reduce to one. A field
// whose closing quote never comes keeps everything up to the end of the text
// (doubled quotes still reduced), so «"abc» gives «abc» and a lone «"» gives an
// empty value: no byte of the record is lost. `next` is then the text's end.
QuotedField ExtractQuotedField(std::string_view text, std::size_t quote);
