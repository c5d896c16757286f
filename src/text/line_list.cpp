#include "text/line_list.h"

#include <utility>

#include "text/errors.h"

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
