#pragma once
// An ordered list of AnsiText items, indexed from 0, and the whole-file reading
// and writing built on it. Items are owned copies; the list is never sorted.
#include <string_view>
#include <vector>

#include "text/ansi_text.h"

// Raises ListIndexError for index < 0 or index >= count.
void CheckListIndex(int index, int count);

class LineList {
 public:
  LineList() = default;
  LineList(std::initializer_list<AnsiText> items) : items_(items) {}

  int Count() const { return static_cast<int>(items_.size()); }
  // Adds a copy after the last item; returns its index.
  int Append(AnsiText item);
  // Raise ListIndexError for index < 0 or index >= Count, changing nothing.
  const AnsiText& ItemAt(int index) const;
  void SetItemAt(int index, AnsiText item);
  void RemoveAt(int index);
  void AppendAll(const LineList& source);
  void ReplaceAll(const LineList& source);
  void Clear() { items_.clear(); }

  // Lines end at CR LF, a lone CR or a lone LF; the text ends at its first NUL.
  void SplitTextIntoLines(std::string_view text);
  // Every item followed by CR LF, the last one included.
  AnsiText JoinLinesToText() const;

  // Replaces the items by the lines of the file; FileOpenError leaves them.
  void LoadLinesFromFile(const AnsiText& path);
  // Writes JoinLinesToText() so that an existing file is replaced whole or not
  // at all. Raises FileCreateError or FileWriteError.
  void SaveLinesToFile(const AnsiText& path) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool operator==(const LineList&) const = default;

  // Direct access for the engine's linear-time passes.
  std::vector<AnsiText>& Items() { return items_; }
  const std::vector<AnsiText>& Items() const { return items_; }

 private:
  std::vector<AnsiText> items_;
};
