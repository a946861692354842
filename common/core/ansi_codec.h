#pragma once
// Conversion between wide text and the 8-bit ANSI code page, at the file and registry
// boundaries only. Strict both ways: nothing is ever altered silently.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvanel {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  [[nodiscard]] virtual unsigned CodePage() const = 0;
  // Appends the text of the bytes to out. False, with out as it was, when the bytes are not
  // valid text in the code page or would not survive a round trip.
  [[nodiscard]] virtual bool DecodeAppend(std::string_view bytes, std::wstring& out) const = 0;
  // Appends the bytes of the text to out. False, with out as it was, when a character has no
  // exact form in the code page (no best-fit look-alikes).
  [[nodiscard]] virtual bool EncodeAppend(std::wstring_view text, std::string& out) const = 0;

  // For a code page of one character a byte in which every byte is text that survives a round
  // trip: the character of each byte, so that callers may read the bytes themselves. Null for
  // any other code page.
  [[nodiscard]] virtual const wchar_t* ByteTable() const { return nullptr; }

  [[nodiscard]] std::optional<std::wstring> Decode(std::string_view bytes) const {
    std::wstring out;
    if (!DecodeAppend(bytes, out)) return std::nullopt;
    return out;
  }
  [[nodiscard]] std::optional<std::string> Encode(std::wstring_view text) const {
    std::string out;
    if (!EncodeAppend(text, out)) return std::nullopt;
    return out;
  }
};

// Windows-1252, all 256 byte values mapped both ways (the five unassigned bytes map to the C1
// controls of the same number, as Windows does).
class Cp1252Codec final : public AnsiCodec {
 public:
  [[nodiscard]] unsigned CodePage() const override { return 1252; }
  [[nodiscard]] bool DecodeAppend(std::string_view bytes, std::wstring& out) const override;
  [[nodiscard]] bool EncodeAppend(std::wstring_view text, std::string& out) const override;
  [[nodiscard]] const wchar_t* ByteTable() const override;
};

// The codec of the running system: Windows-1252 natively, the ANSI code page on Windows.
const AnsiCodec& SystemAnsiCodec();

// A codec for a code page chosen by number, or null when the system does not know it or it is
// not an 8-bit text code page in which the bytes 0x00-0x7F are ASCII (the line and entry rules
// read those bytes as ASCII).
std::unique_ptr<AnsiCodec> MakeCodePageCodec(unsigned codePage);

// The code page as messages name it: "the ANSI code page 1252" for the system's codec,
// "code page 936" for one chosen by number; "UTF-8" for code page 65001.
std::wstring CodePageName(const AnsiCodec& codec);

// Whether the codec reads the bytes 0x00-0x7F as the ASCII characters of the same number.
bool ReadsAsciiAsAscii(const AnsiCodec& codec);

}  // namespace corvanel
