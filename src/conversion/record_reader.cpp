#include "conversion/record_reader.h"

RecordReader::RecordReader(ByteSource& input, const RecordFilter& filter)
    : lines_(input), joiner_(lines_), filter_(filter) {}

bool RecordReader::Next(Record& record, AnsiText* into) {
  for (;;) {
    const std::size_t start = into != nullptr ? into->size() : 0;
    std::string_view text;
    const RecordJoiner::Step step = joiner_.Next(text, into);
    if (step == RecordJoiner::Step::End) return false;
    if (step == RecordJoiner::Step::Unfinished) throw joiner_.UnfinishedError();
    if (joiner_.Count() == 1) {
      columns_ = EventColumns::FromHeader(text);
      if (into != nullptr) into->resize(start);
      continue;
    }
    record.text = text;
    record.filteredOut = filter_.Excludes(text);
    record.index = joiner_.Count() - 1;
    record.startLine = joiner_.StartLine();
    return true;
  }
}

void RecordReader::FindFields(std::string_view text, std::size_t begin, std::size_t end,
                              std::vector<FieldPlace>& places, AnsiText& reduced) {
  const std::size_t first = places.size();
  FindCommaFields(text.substr(begin, end - begin), places, reduced);
  for (std::size_t k = first; k < places.size(); ++k) places[k].raw += begin;
}
