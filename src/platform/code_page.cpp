// The code pages every system shares: the one registry of pages, the choice
// of the ANSI page, and the encoding of UTF-16 over a page's reverse entries.
// Each system gives only the tables (posix/ and win32/ code_page.cpp).
#include "platform/code_page.h"

#include <map>
#include <stdexcept>

namespace platform {
namespace {

std::atomic<const CodePage*> current{nullptr};

}  // namespace

std::string CodePage::FromUtf16(std::u16string_view units) const {
  std::string out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) detail::AppendEntryBytes(out, ReverseEntry(u));
  return out;
}

// Pages are kept for the life of the program, so references handed out by
// AnsiCodePage() stay valid when another page is chosen.
const CodePage& CodePageNumbered(int number) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<CodePage>> pages;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = pages.find(number);
  if (it == pages.end()) {
    if (number <= 0) throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    it = pages.emplace(number, detail::MakeSystemCodePage(number)).first;
  }
  return *it->second;
}

const CodePage& AnsiCodePage() {
  const CodePage* page = current.load(std::memory_order_acquire);
  if (page == nullptr) {
    page = &CodePageNumbered(detail::DefaultAnsiCodePageNumber());
    const CodePage* expected = nullptr;
    if (!current.compare_exchange_strong(expected, page, std::memory_order_acq_rel)) page = expected;
  }
  return *page;
}

const CodePage& SystemAnsiCodePage() {
  static const CodePage& page = CodePageNumbered(detail::DefaultAnsiCodePageNumber());
  return page;
}

void SetAnsiCodePage(int number) { current.store(&CodePageNumbered(number), std::memory_order_release); }

const CodePage& FixedTextCodePage() {
  static const CodePage& page = CodePageNumbered(932);
  return page;
}

std::string Cp932FromUtf8(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  AppendUtf16FromUtf8(utf8, units);  // our own texts are well formed
  return FixedTextCodePage().FromUtf16(units);
}

}  // namespace platform
