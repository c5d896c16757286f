#pragma once
// An ordered list of AnsiText items, indexed from 0. Items are owned copies;
// the list is never sorted.
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

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool operator==(const LineList&) const = default;

  // Direct access for the engine's linear-time passes.
  std::vector<AnsiText>& Items() { return items_; }
  const std::vector<AnsiText>& Items() const { return items_; }

 private:
  std::vector<AnsiText> items_;
};
