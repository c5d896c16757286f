// The program's fixed Japanese texts, held in UTF-8 in the sources, carried as
// code page 932 bytes.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/code_page.h"

namespace platform {

std::string Cp932FromUtf8(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: CP932 is not available");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) {
      if (errno == EILSEQ || errno == EINVAL) {  // not expected for our own texts
        *dst++ = '?';
        --outLeft;
        ++in;
        --inLeft;
        continue;
      }
      break;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace platform
