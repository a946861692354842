#include "ansi_codec.h"

namespace corvanel {

bool ReadsAsciiAsAscii(const AnsiCodec& codec) {
  std::string ascii;
  std::wstring expected;
  for (int b = 0; b < 0x80; ++b) {
    ascii += static_cast<char>(b);
    expected += static_cast<wchar_t>(b);
  }
  return codec.Decode(ascii) == expected;
}

}  // namespace corvanel
