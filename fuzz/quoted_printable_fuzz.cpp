// The quoted-printable encoder: 7-bit output, no line longer than 75
// characters, decodes back to its input, and equals a literal line-by-line
// encoder. The first two input bytes shift the rest behind a run of letters
// so that short inputs reach the 8192-byte block border.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "text/quoted_printable.h"

namespace {

constexpr std::size_t kBlock = 8192;

std::string Escape(unsigned char b) {
  static const char kDigits[] = "0123456789ABCDEF";
  return {'=', kDigits[b >> 4], kDigits[b & 15]};
}

// Lines are kept as a list, closed with "=" when longer than 71 characters,
// and joined at the end; a line closed by the very last byte keeps no "=".
std::string LiteralEncode(std::string_view in) {
  std::vector<std::string> lines;
  std::string line;
  bool lastByteClosedLine = false;
  for (std::size_t start = 0; start < in.size(); start += kBlock) {
    const std::string_view block = in.substr(start, kBlock);
    for (std::size_t i = 0; i < block.size(); ++i) {
      const auto b = static_cast<unsigned char>(block[i]);
      if (b == 0x09 || b == 0x20) {
        const bool breakFollows = i + 1 < block.size() && (block[i + 1] == '\n' || block[i + 1] == '\r');
        line += breakFollows ? Escape(b) : std::string(1, static_cast<char>(b));
      } else if (b == 0x3D) {
        line += Escape(b);
      } else if ((b >= 0x21 && b <= 0x7E) || b == 0x0A || b == 0x0D) {
        line += static_cast<char>(b);
      } else {
        line += Escape(b);
      }
      lastByteClosedLine = false;
      if (line.size() > 71) {
        lines.push_back(line + "=");
        line.clear();
        lastByteClosedLine = true;
      }
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  if (out.size() > 2) out.resize(out.size() - 2);
  if (lastByteClosedLine) out.pop_back();
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lowercase digits are never written
}

void CheckShapeAndDecode(std::string_view encoded, std::string_view input) {
  std::string decoded;
  std::size_t lineLength = 0;  // characters since the last soft break
  for (std::size_t i = 0; i < encoded.size();) {
    const auto c = static_cast<unsigned char>(encoded[i]);
    FUZZ_CHECK(c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E));
    if (c != '=') {
      decoded += static_cast<char>(c);
      ++lineLength;
      ++i;
      continue;
    }
    // Never a dangling "=": every one starts an escape or a soft break.
    FUZZ_CHECK(i + 2 < encoded.size());
    if (encoded[i + 1] == '\r' && encoded[i + 2] == '\n') {
      // A soft break closes a line of 72 to 74 characters plus its "=".
      FUZZ_CHECK(lineLength >= 72 && lineLength + 1 <= 75);
      lineLength = 0;
      i += 3;
      continue;
    }
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    decoded += static_cast<char>(high * 16 + low);
    lineLength += 3;
    i += 3;
  }
  FUZZ_CHECK(lineLength <= 74);
  if (decoded != input) {
    fuzz::ReportPair("decoded", decoded, input);
    FUZZ_CHECK(decoded == input);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  if (size >= 2) {
    // 0 to 8191 letters in front: the fuzzed bytes then straddle the border.
    const std::size_t lead = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % kBlock;
    if (data[0] & 0x80) input.assign(lead, 'a');
    rest.remove_prefix(2);
  }
  input.append(rest);

  const fuzz::ExactBytes exact(input);
  const std::string encoded = EncodeQuotedPrintable(exact.View());
  CheckShapeAndDecode(encoded, input);
  const std::string expected = LiteralEncode(input);
  if (encoded != expected) {
    fuzz::ReportPair("encoding", encoded, expected);
    FUZZ_CHECK(encoded == expected);
  }
  return 0;
}
