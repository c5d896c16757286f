// quillmer-make-export COUNT OUTPUT [SEED [MIX]]: writes a generated export
// file; MIX is short (the default), calendar, tiny or outlook (the calendar mix in
// the 22 columns of Outlook's default export).
// quillmer-make-export filters COUNT OUTPUT: writes COUNT filter lines;
// numbered-filters instead of filters: COUNT numbered lines sharing their start.
// quillmer-make-export long KIND BYTES OUTPUT: one appointment of about BYTES
// (see MakeLongRecordExport) between two short ones.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "export_generator.h"

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "long") {
    const std::string bytes = MakeLongRecordExport(argv[2], std::strtoull(argv[3], nullptr, 10));
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (bytes.empty() || !out) {
      std::fprintf(stderr, "quillmer-make-export: no such kind, or cannot write %s\n", argv[4]);
      return 1;
    }
    return 0;
  }
  const bool numbered = argc == 4 && std::string(argv[1]) == "numbered-filters";
  const bool filters = numbered || (argc == 4 && std::string(argv[1]) == "filters");
  if (filters) ++argv, --argc;
  ExportMix mix = ExportMix::Short;
  if (argc < 3 || argc > 5 || (argc == 5 && !ExportMixByName(argv[4], mix))) {
    std::fprintf(stderr,
                 "usage: quillmer-make-export COUNT OUTPUT [SEED [short|calendar|tiny|outlook]]\n"
                 "       quillmer-make-export filters|numbered-filters COUNT OUTPUT\n"
                 "       quillmer-make-export long title-ascii|title-ja|titles-ja|notes-ja|notes-quoted BYTES OUTPUT\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const unsigned seed = argc >= 4 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1u;
  const std::string bytes = numbered  ? MakeNumberedFilterLines(count)
                            : filters ? MakeFilterLines(count)
                                      : MakeExport(count, seed, mix);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "quillmer-make-export: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%d %s, %zu bytes\n", count, filters ? "filter lines" : "appointments", bytes.size());
  return 0;
}
