#pragma once
// Shared by the fuzz targets: property checks that stop the run with a
// readable reason, and inputs copied into exactly-sized heap blocks so that
// AddressSanitizer sees any read past their end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void Violated(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::abort();
}

// Bytes as hex, for the reports of a violated property.
inline std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

inline void ReportPair(const char* label, std::string_view actual, std::string_view expected) {
  std::fprintf(stderr, "%s\n  actual:   %s\n  expected: %s\n", label, Hex(actual).c_str(),
               Hex(expected).c_str());
}

// A heap block holding exactly the given bytes: no terminator, no slack.
class ExactBytes {
 public:
  explicit ExactBytes(std::string_view bytes)
      : size_(bytes.size()), data_(new char[bytes.size()]) {
    if (size_ != 0) std::memcpy(data_.get(), bytes.data(), size_);
  }
  // Even an empty view points at a (zero-sized) heap block of its own.
  std::string_view View() const { return std::string_view(data_.get(), size_); }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> data_;
};

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) ::fuzz::Violated(__FILE__, __LINE__, #condition); \
  } while (0)
