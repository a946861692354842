#include "ansi_codec.h"

namespace corvanel {

std::wstring CodePageName(const AnsiCodec& codec) {
  const bool system = &codec == &SystemAnsiCodec();
  // Users know code page 65001 by its name.
  if (codec.CodePage() == 65001) return system ? L"UTF-8 (the ANSI code page)" : L"UTF-8";
  return (system ? L"the ANSI code page " : L"code page ") + std::to_wstring(codec.CodePage());
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
