#include "text/line_list.h"

#include <cstring>
#include <utility>

#include "text/errors.h"
#include "text/text_file.h"

namespace {

void CheckIndex(int index, int count) {
  if (index < 0 || index >= count) throw ListIndexError(index);
}

}  // namespace

int LineList::Append(AnsiText item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

const AnsiText& LineList::ItemAt(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void LineList::SetItemAt(int index, AnsiText item) {
  CheckIndex(index, Count());
  items_[static_cast<std::size_t>(index)] = std::move(item);
}

void LineList::RemoveAt(int index) {
  CheckIndex(index, Count());
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
  if (text.empty()) return;
  const char* p = text.data();
  const char* end = p + text.size();
  if (const void* nul = std::memchr(p, '\0', text.size())) end = static_cast<const char*>(nul);
  // Two fast scans find each line end. The next LF is remembered, so text
  // whose lines end in a lone CR is not searched to its end once per line.
  const char* nextLf = nullptr;
  while (p < end) {
    if (nextLf == nullptr || nextLf < p) {
      nextLf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (nextLf == nullptr) nextLf = end;
    }
    const char* stop = nextLf;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
    if (cr != nullptr) stop = cr;
    items_.emplace_back(p, stop);
    p = stop;
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
  }
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
