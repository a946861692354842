#include "ansi_codec.h"

namespace corvanel {

std::wstring CodePageName(const AnsiCodec& codec) {
  return (&codec == &SystemAnsiCodec() ? L"the ANSI code page " : L"code page ") + std::to_wstring(codec.CodePage());
}

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
