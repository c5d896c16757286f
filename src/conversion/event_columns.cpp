#include "conversion/event_columns.h"

#include <cstring>

#include "platform/code_page.h"
#include "text/character_cursor.h"
#include "text/characters.h"
#include "text/line_list.h"
#include "text/text_settings.h"

namespace {

struct FieldName {
  EventField field;
  std::u16string_view japanese;
  std::u16string_view english;
};

// Outlook's field names in the header of its calendar export.
constexpr FieldName kFieldNames[] = {
    {EventField::Title, u"件名", u"Subject"},
    {EventField::Place, u"場所", u"Location"},
    {EventField::StartDate, u"開始日", u"Start Date"},
    {EventField::StartTime, u"開始時刻", u"Start Time"},
    {EventField::EndDate, u"終了日", u"End Date"},
    {EventField::EndTime, u"終了時刻", u"End Time"},
    {EventField::AlarmFlag, u"アラーム オン/オフ", u"Reminder on/off"},
    {EventField::AlarmDate, u"アラーム日付", u"Reminder Date"},
    {EventField::AlarmTime, u"アラーム時刻", u"Reminder Time"},
    {EventField::Notes, u"内容", u"Description"},
    {EventField::AllDay, u"終日イベント", u"All day event"},
    {EventField::Categories, u"分類", u"Categories"},
    {EventField::Private, u"プライベート", u"Private"},
    {EventField::Sensitivity, u"秘密度", u"Sensitivity"},
    {EventField::ShowTimeAs, u"公開する時間帯の種類", u"Show time as"},
    {EventField::Priority, u"優先度", u"Priority"},
};

// The fields without which a record is no appointment.
constexpr EventField kNeeded[] = {EventField::Title, EventField::StartDate, EventField::StartTime,
                                  EventField::EndDate, EventField::EndTime};

struct ValueName {
  ValueWord meaning;
  std::u16string_view text;
};

// Outlook writes True/False in every language, and some Japanese versions
// their own words; Sensitivity and Priority come in the user's language.
constexpr ValueName kValueNames[] = {
    {ValueWord::True, u"True"},          {ValueWord::True, u"On"},        {ValueWord::True, u"Yes"},
    {ValueWord::True, u"1"},             {ValueWord::True, u"オン"},      {ValueWord::True, u"はい"},
    {ValueWord::False, u"False"},        {ValueWord::False, u"Off"},      {ValueWord::False, u"No"},
    {ValueWord::False, u"0"},            {ValueWord::False, u"オフ"},     {ValueWord::False, u"いいえ"},
    {ValueWord::Personal, u"Personal"},  {ValueWord::Personal, u"個人用"}, {ValueWord::Private, u"Private"},
    {ValueWord::Private, u"親展"},       {ValueWord::Confidential, u"Confidential"},
    {ValueWord::Confidential, u"社外秘"}, {ValueWord::High, u"High"},      {ValueWord::High, u"高"},
    {ValueWord::Low, u"Low"},            {ValueWord::Low, u"低"},
};

// The name in the active code page, or nothing when the code page cannot
// write it (Japanese under a Western page): it then matches no title.
std::optional<AnsiText> InCodePage(std::u16string_view name) {
  const platform::CodePage& page = ActiveCodePage();
  AnsiText text = page.FromUtf16(name);
  if (page.ToUtf16(text) != name) return std::nullopt;
  return text;
}

// The text with its ASCII letters in upper case: only characters of one
// byte, never the second byte of a double-byte character.
template <typename Put>
void FoldLetters(std::string_view text, Put put) {
  CharacterCursor characters = SearchingCursor(text);
  for (std::string_view c; characters.Next(c);) {
    const std::size_t k = characters.Position() - c.size();
    if (c.size() == 2) {
      put(k, c[0]);
      put(k + 1, c[1]);
    } else {
      put(k, FoldAsciiCase(c[0]));
    }
  }
}

AnsiText Folded(std::string_view text) {
  AnsiText folded(text.size(), '\0');
  FoldLetters(text, [&folded](std::size_t k, char c) { folded[k] = c; });
  return folded;
}

bool SameName(std::string_view text, std::string_view name) {
  return text.size() == name.size() && Folded(text) == Folded(name);
}

// The header's titles split at its commas alone: a script or a spreadsheet
// writes "Subject,Start Date,..." unquoted, and a title may hold a blank.
// A quoted title loses its quotes; "" inside one is a quote. Neither a quote
// nor a comma is ever a trail byte, so the bytes are walked as they are.
std::vector<AnsiText> HeaderTitles(std::string_view header) {
  std::vector<AnsiText> titles(1);
  bool quoted = false;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const char c = header[i];
    if (c == '"') {
      if (quoted && i + 1 < header.size() && header[i + 1] == '"') {
        titles.back().push_back('"');
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      titles.emplace_back();
    } else {
      titles.back().push_back(c);
    }
  }
  return titles;
}

}  // namespace

EventColumns::EventColumns() {
  column_.fill(-1);
  for (int k = 0; k <= static_cast<int>(EventField::Notes); ++k) column_[static_cast<std::size_t>(k)] = k;
  for (const ValueName& value : kValueNames) {
    const std::optional<AnsiText> text = InCodePage(value.text);
    if (text && text->size() <= kLongestWord) words_.push_back({Pack(*text), value.meaning});
  }
}

EventColumns EventColumns::FromHeader(std::string_view header) {
  EventColumns columns;
  const std::vector<AnsiText> titles = HeaderTitles(header);
  std::array<int, kEventFieldCount> named;
  named.fill(-1);
  for (const FieldName& name : kFieldNames) {
    for (const std::u16string_view spelling : {name.japanese, name.english}) {
      const std::optional<AnsiText> text = InCodePage(spelling);
      if (!text) continue;
      for (std::size_t k = 0; k < titles.size(); ++k) {
        int& column = named[static_cast<std::size_t>(name.field)];
        if (SameName(TrimmedBlanks(titles[k]), *text) &&
            (column < 0 || static_cast<int>(k) < column)) {
          column = static_cast<int>(k);
        }
      }
    }
  }
  for (const EventField field : kNeeded) {
    if (named[static_cast<std::size_t>(field)] < 0) return columns;
  }
  columns.byName_ = true;
  columns.column_ = named;
  return columns;
}

// Asked several times a record: the value is folded once into two words,
// and the words of the table, kept folded the same way, compared as numbers.
ValueWord EventColumns::WordOf(std::string_view value) const {
  const std::string_view trimmed = TrimmedBlanks(value);
  if (trimmed.empty() || trimmed.size() > kLongestWord) return ValueWord::None;
  const Packed packed = Pack(trimmed);
  for (const Word& word : words_) {
    if (word.text.size == packed.size && word.text.low == packed.low && word.text.high == packed.high)
      return word.meaning;
  }
  return ValueWord::None;
}

EventColumns::Packed EventColumns::Pack(std::string_view text) {
  char bytes[kLongestWord] = {};
  FoldLetters(text, [&bytes](std::size_t k, char c) { bytes[k] = c; });
  Packed packed;
  std::memcpy(&packed.low, bytes, 8);
  std::memcpy(&packed.high, bytes + 8, 8);
  packed.size = text.size();
  return packed;
}

std::string_view EventRecord::Required(EventField field) const {
  const int column = columns_.Column(field);
  return column < 0 ? std::string_view() : fields_.ItemAt(column);
}

std::optional<std::string_view> EventRecord::Optional(EventField field) const {
  const int column = columns_.Column(field);
  if (column < 0 || column >= fields_.Count()) return std::nullopt;
  return fields_.ItemAt(column);
}

bool EventRecord::AlarmOn() const {
  const std::string_view flag = Required(EventField::AlarmFlag);
  if (!columns_.ByName()) return CompareAsciiNoCase(flag, "FALSE") != 0;
  return !TrimmedBlanks(flag).empty() && columns_.WordOf(flag) != ValueWord::False;
}

bool EventRecord::Flag(EventField field) const { return Word(field) == ValueWord::True; }

ValueWord EventRecord::Word(EventField field) const {
  const std::optional<std::string_view> value = Optional(field);
  return value ? columns_.WordOf(*value) : ValueWord::None;
}
