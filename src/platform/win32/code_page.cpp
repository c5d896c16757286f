// The ANSI code page service on Windows: the system's own conversions
// (MultiByteToWideChar, WideCharToMultiByte) and lead bytes (GetCPInfo), so
// replacement characters are whatever the platform gives.
#include <windows.h>

#include <array>
#include <atomic>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/code_page.h"

namespace platform {
namespace {

// The conversion calls count in int; longer texts go in pieces.
constexpr std::size_t kPiece = std::size_t{1} << 28;

class Win32CodePage final : public CodePage {
 public:
  explicit Win32CodePage(int number) : number_(number) {
    CPINFO info{};
    if (number <= 0 || !::IsValidCodePage(static_cast<UINT>(number)) ||
        !::GetCPInfo(static_cast<UINT>(number), &info)) {
      throw std::invalid_argument("code page " + std::to_string(number) + " is not available");
    }
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0); i += 2) {
      for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) {
        lead_[b] = true;
        hasLeadBytes_ = true;
      }
    }
  }

  int Number() const override { return number_; }
  bool HasLeadBytes() const override { return hasLeadBytes_; }
  bool IsLeadByte(unsigned char byte) const override { return lead_[byte]; }

  std::u16string ToUtf16(std::string_view ansi) const override {
    std::u16string out;
    out.reserve(ansi.size());
    while (!ansi.empty()) {
      std::size_t take = ansi.size();
      if (take > kPiece) {
        // Cut after a whole character, so no pair is split between two calls.
        std::size_t p = 0;
        while (p < kPiece) p += lead_[static_cast<unsigned char>(ansi[p])] ? 2 : 1;
        take = p < ansi.size() ? p : ansi.size();
      }
      AppendUnits(out, ansi.substr(0, take));
      ansi.remove_prefix(take);
    }
    return out;
  }

  std::string FromUtf16(std::u16string_view units) const override {
    std::string out;
    out.reserve(units.size() * 2);
    while (!units.empty()) {
      std::size_t take = units.size() > kPiece ? kPiece : units.size();
      if (take < units.size() && units[take - 1] >= 0xD800 && units[take - 1] <= 0xDBFF) --take;
      AppendBytes(out, units.substr(0, take));
      units.remove_prefix(take);
    }
    return out;
  }

 private:
  void AppendUnits(std::u16string& out, std::string_view piece) const {
    const int size = static_cast<int>(piece.size());
    const int n = ::MultiByteToWideChar(static_cast<UINT>(number_), 0, piece.data(), size, nullptr, 0);
    if (n <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::MultiByteToWideChar(static_cast<UINT>(number_), 0, piece.data(), size,
                          reinterpret_cast<wchar_t*>(out.data() + at), n);
  }

  void AppendBytes(std::string& out, std::u16string_view piece) const {
    const auto* units = reinterpret_cast<const wchar_t*>(piece.data());
    const int size = static_cast<int>(piece.size());
    const int n = ::WideCharToMultiByte(static_cast<UINT>(number_), 0, units, size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(static_cast<UINT>(number_), 0, units, size, out.data() + at, n, nullptr, nullptr);
  }

  int number_;
  bool hasLeadBytes_ = false;
  std::array<bool, 256> lead_{};
};

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

// Pages live as long as the program, so references to them stay valid.
const CodePage& PageFor(int number) {
  static std::map<int, std::unique_ptr<Win32CodePage>> pages;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = pages.find(number);
  if (it == pages.end()) it = pages.emplace(number, std::make_unique<Win32CodePage>(number)).first;
  return *it->second;
}

std::atomic<const CodePage*> current{nullptr};

}  // namespace

// The system's ANSI code page until a regional profile chooses another.
const CodePage& AnsiCodePage() {
  const CodePage* page = current.load(std::memory_order_acquire);
  if (page == nullptr) {
    page = &PageFor(static_cast<int>(::GetACP()));
    const CodePage* expected = nullptr;
    if (!current.compare_exchange_strong(expected, page, std::memory_order_acq_rel)) page = expected;
  }
  return *page;
}

void SetAnsiCodePage(int number) { current.store(&PageFor(number), std::memory_order_release); }

std::string Cp932FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  const int wideSize = static_cast<int>(wide.size());
  std::string out(static_cast<std::size_t>(::WideCharToMultiByte(932, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr)), '\0');
  ::WideCharToMultiByte(932, 0, wide.data(), wideSize, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

}  // namespace platform
