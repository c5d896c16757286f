#pragma once
// Which column of an export holds which field of an appointment: the ten
// columns by position, or, when the header names them with Outlook's own
// field names (Japanese or English), every column by its name.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "text/ansi_text.h"
#include "text/comma_text.h"

enum class EventField {
  Title, Place, StartDate, StartTime, EndDate, EndTime, AlarmFlag, AlarmDate, AlarmTime, Notes,
  // Only Outlook's own export has these; the iCalendar form writes them.
  AllDay, Categories, Private, Sensitivity, ShowTimeAs, Priority,
};
inline constexpr std::size_t kEventFieldCount = 16;

// What a named column's value means, for the values Outlook writes.
enum class ValueWord { None, True, False, Personal, Private, Confidential, High, Low };

class EventColumns {
 public:
  // The ten columns by position: Title at 0 ... Notes at 9.
  EventColumns();
  // The columns the header record names, when it names the title, the start
  // and the end; otherwise the positions.
  static EventColumns FromHeader(std::string_view header);

  bool ByName() const { return byName_; }
  // The field's column, or -1 when the export has none.
  int Column(EventField field) const { return column_[static_cast<std::size_t>(field)]; }
  // The word a value stands for (blanks trimmed, ASCII letters folded), None
  // for any other text. Words are in the active code page.
  ValueWord WordOf(std::string_view value) const;

 private:
  bool byName_ = false;
  std::array<int, kEventFieldCount> column_{};
  // A word of up to 16 bytes, ASCII letters in upper case, as two numbers.
  static constexpr std::size_t kLongestWord = 16;
  struct Packed {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::size_t size = 0;
  };
  static Packed Pack(std::string_view text);
  struct Word {
    Packed text;
    ValueWord meaning;
  };
  std::vector<Word> words_;
};

// One record's fields as its export's columns give them.
class EventRecord {
 public:
  EventRecord(FieldViews fields, const EventColumns& columns) : fields_(fields), columns_(columns) {}

  // A field the appointment needs: raises ListIndexError with the column's
  // index when the record is too short; empty when the export has no such
  // column.
  std::string_view Required(EventField field) const;
  // A field that may be missing: the notes and what only Outlook's own export
  // carries. Nothing when the export or the record has no such column.
  std::optional<std::string_view> Optional(EventField field) const;
  // The reminder flag: in the ten columns, anything but FALSE (any letter
  // case) means an alarm; in named columns a false word or an empty field
  // means none and any other text one.
  bool AlarmOn() const;
  // A flag of a named column (all day, private): true only for a true word.
  bool Flag(EventField field) const;
  ValueWord Word(EventField field) const;
  const EventColumns& Columns() const { return columns_; }

 private:
  FieldViews fields_;
  const EventColumns& columns_;
};
