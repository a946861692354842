#include <array>
#include <cstdint>

#include "ansi_codec.h"

namespace corvanel {

namespace {
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<wchar_t, 256> kDecode = [] {
  std::array<wchar_t, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    table[b] = static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
  }
  return table;
}();

std::optional<unsigned char> EncodeOne(std::uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}
}  // namespace

// Both directions size the output once and fill it in place, and take plain ASCII text (nearly
// every line) through loops the compiler vectorises.
bool Cp1252Codec::DecodeAppend(std::string_view bytes, std::wstring& out) const {
  const std::size_t old = out.size();
  out.resize(old + bytes.size());
  wchar_t* const to = out.data() + old;
  unsigned char any = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    any |= b;
    to[i] = static_cast<wchar_t>(b);
  }
  if (any < 0x80) return true;
  for (std::size_t i = 0; i < bytes.size(); ++i) to[i] = kDecode[static_cast<unsigned char>(bytes[i])];
  return true;
}

const wchar_t* Cp1252Codec::ByteTable() const { return kDecode.data(); }

bool Cp1252Codec::EncodeAppend(std::wstring_view text, std::string& out) const {
  const std::size_t old = out.size();
  out.resize(old + text.size());
  char* to = out.data() + old;
  std::uint32_t any = 0;
  for (const wchar_t ch : text) any |= static_cast<std::uint32_t>(ch);
  if (any < 0x80) {
    for (const wchar_t ch : text) *to++ = static_cast<char>(ch);
    return true;
  }
  for (const wchar_t ch : text) {
    const auto b = EncodeOne(static_cast<std::uint32_t>(ch));
    if (!b) {
      out.resize(old);
      return false;
    }
    *to++ = static_cast<char>(*b);
  }
  return true;
}

}  // namespace corvanel
