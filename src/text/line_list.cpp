#include "text/line_list.h"

#include <utility>

#include "text/errors.h"
#include "text/line_cursor.h"
#include "text/text_file.h"

void CheckListIndex(int index, int count) {
  if (index < 0 || index >= count) throw ListIndexError(index);
}

int LineList::Append(AnsiText item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

const AnsiText& LineList::ItemAt(int index) const {
  CheckListIndex(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void LineList::SetItemAt(int index, AnsiText item) {
  CheckListIndex(index, Count());
  items_[static_cast<std::size_t>(index)] = std::move(item);
}

void LineList::RemoveAt(int index) {
  CheckListIndex(index, Count());
  items_.erase(items_.begin() + index);
}

void LineList::AppendAll(const LineList& source) {
  // The count is taken once, so appending a list to itself doubles it; the
  // reservation keeps the source items in place while they are copied.
  const std::size_t count = source.items_.size();
  items_.reserve(items_.size() + count);
  for (std::size_t i = 0; i < count; ++i) items_.push_back(source.items_[i]);
}

void LineList::ReplaceAll(const LineList& source) {
  if (&source == this) return;
  items_ = source.items_;
}

void LineList::SplitTextIntoLines(std::string_view text) {
  Clear();
  LineCursor cursor(text);
  for (std::string_view line; cursor.Next(line);) items_.emplace_back(line);
}

AnsiText LineList::JoinLinesToText() const {
  std::size_t size = 0;
  for (const AnsiText& item : items_) size += item.size() + 2;
  AnsiText text;
  text.reserve(size);
  for (const AnsiText& item : items_) {
    text += item;
    text += "\r\n";
  }
  return text;
}

void LineList::LoadLinesFromFile(const AnsiText& path) {
  // Read first: a file that cannot be opened leaves the items as they were.
  std::string bytes = LoadFileBytes(path);
  SplitTextIntoLines(bytes);
}

void LineList::SaveLinesToFile(const AnsiText& path) const { SaveFileBytes(path, JoinLinesToText()); }
