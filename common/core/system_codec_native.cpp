// Code pages on Linux: Windows-1252 by its own table (all 256 bytes, as Windows maps them),
// any other through the C library's iconv, held to the same strictness.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "ansi_codec.h"
#include "unique_any.h"

namespace corvanel {

namespace {
struct IconvTraits {
  using pointer = iconv_t;
  static pointer invalid() noexcept { return reinterpret_cast<iconv_t>(-1); }
  static void close(pointer cd) noexcept { ::iconv_close(cd); }
};
using unique_iconv = unique_any<IconvTraits>;

// Converts all of the input from its initial state, appending to out. False on an invalid or
// incomplete sequence, or when anything was converted irreversibly.
bool Convert(iconv_t cd, const char* data, std::size_t size, std::string& out) {
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(data);
  std::size_t inLeft = size;
  char buffer[4096];
  for (bool flushed = false; !flushed;) {
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    // With the input used up, a last call writes what a stateful code page still holds.
    const std::size_t result =
        inLeft > 0 ? ::iconv(cd, &in, &inLeft, &to, &toLeft) : ::iconv(cd, nullptr, nullptr, &to, &toLeft);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (result == static_cast<std::size_t>(-1)) {
      if (errno != E2BIG) return false;
      continue;
    }
    if (result != 0) return false;
    flushed = inLeft == 0 && to == buffer;
  }
  return true;
}

class IconvCodec final : public AnsiCodec {
 public:
  IconvCodec(unsigned codePage, unique_iconv decoder, unique_iconv encoder)
      : codePage_(codePage), decoder_(std::move(decoder)), encoder_(std::move(encoder)) {}

  [[nodiscard]] unsigned CodePage() const override { return codePage_; }

  [[nodiscard]] bool DecodeAppend(std::string_view bytes, std::wstring& out) const override {
    std::string wide;
    if (!Convert(decoder_.get(), bytes.data(), bytes.size(), wide) || wide.size() % sizeof(wchar_t) != 0) {
      return false;
    }
    std::string back;
    if (!Convert(encoder_.get(), wide.data(), wide.size(), back) || back != bytes) return false;
    const std::size_t old = out.size();
    out.resize(old + wide.size() / sizeof(wchar_t));
    wide.copy(reinterpret_cast<char*>(out.data() + old), wide.size());
    return true;
  }

  [[nodiscard]] bool EncodeAppend(std::wstring_view text, std::string& out) const override {
    std::string bytes;
    if (!Convert(encoder_.get(), reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t), bytes)) {
      return false;
    }
    out += bytes;
    return true;
  }

 private:
  unsigned codePage_;
  unique_iconv decoder_;
  unique_iconv encoder_;
};

}  // namespace

const AnsiCodec& SystemAnsiCodec() {
  static const Cp1252Codec codec;
  return codec;
}

std::unique_ptr<AnsiCodec> MakeCodePageCodec(unsigned codePage) {
  if (codePage == 1252) return std::make_unique<Cp1252Codec>();
  // The C library spells the IBM code pages with three digits ("CP037").
  std::string number = std::to_string(codePage);
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  const std::string name = codePage == 65001 ? "UTF-8" : "CP" + number;
  unique_iconv decoder(::iconv_open("WCHAR_T", name.c_str()));
  unique_iconv encoder(::iconv_open(name.c_str(), "WCHAR_T"));
  if (!decoder || !encoder) return nullptr;
  auto codec = std::make_unique<IconvCodec>(codePage, std::move(decoder), std::move(encoder));
  if (!ReadsAsciiAsAscii(*codec)) return nullptr;
  return codec;
}

}  // namespace corvanel
