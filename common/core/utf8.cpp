#include "utf8.h"

#include <algorithm>
#include <cstdint>

namespace corvanel {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
// The first of the lone surrogates that carry a file name's undecodable bytes (0x80-0xFF).
constexpr char32_t kByteEscape = 0xDC00;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsByteEscape(char32_t c) { return c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF; }

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendWide(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(c);
}

// Each character of the text; a lone surrogate or a value past U+10FFFF goes to invalid(out, c).
template <typename Invalid>
std::string Encode(std::wstring_view text, Invalid invalid) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<char32_t>(static_cast<std::uint32_t>(text[i]));
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        auto low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if (IsSurrogate(c) || c > 0x10FFFF) {
      invalid(out, c);
    } else {
      Append(out, c);
    }
  }
  return out;
}

// Each valid UTF-8 sequence of the bytes, in its shortest form only; any other byte goes to
// invalid(out, byte) on its own.
template <typename Invalid>
std::wstring Decode(std::string_view text, Invalid invalid) {
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    char32_t c = ok && extra == 0 ? b : (b & (0x3F >> std::max(extra, 0)));
    for (int k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!ok || c < kLeast[std::max(extra, 0)] || c > 0x10FFFF || IsSurrogate(c)) {
      invalid(out, b);
      ++i;
      continue;
    }
    AppendWide(out, c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}
}  // namespace

std::string WideToUtf8(std::wstring_view text) {
  return Encode(text, [](std::string& out, char32_t) { Append(out, kReplacement); });
}

std::wstring Utf8ToWide(std::string_view text) {
  return Decode(text, [](std::wstring& out, unsigned char) { AppendWide(out, kReplacement); });
}

std::wstring FileNameToWide(std::string_view bytes) {
  return Decode(bytes, [](std::wstring& out, unsigned char b) { out += static_cast<wchar_t>(kByteEscape + b); });
}

std::string WideToFileName(std::wstring_view text) {
  return Encode(text, [](std::string& out, char32_t c) {
    if (IsByteEscape(c)) {
      out += static_cast<char>(c - kByteEscape);
    } else {
      Append(out, kReplacement);
    }
  });
}

std::string WideToUtf8Shown(std::wstring_view text) {
  return Encode(text, [](std::string& out, char32_t c) {
    if (!IsByteEscape(c)) return Append(out, kReplacement);
    constexpr char kHex[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned>(c - kByteEscape);
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  });
}

}  // namespace corvanel
