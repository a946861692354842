#pragma once
// Conversion between wide text and the 8-bit ANSI code page, at the file and registry
// boundaries only. Strict both ways: nothing is ever altered silently.
#include <optional>
#include <string>
#include <string_view>

namespace corvanel {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  [[nodiscard]] virtual unsigned CodePage() const = 0;
  // nullopt when the bytes are not valid text in the code page or would not survive a round trip.
  [[nodiscard]] virtual std::optional<std::wstring> Decode(std::string_view bytes) const = 0;
  // nullopt when a character has no exact form in the code page (no best-fit look-alikes).
  [[nodiscard]] virtual std::optional<std::string> Encode(std::wstring_view text) const = 0;
};

// Windows-1252, all 256 byte values mapped both ways (the five unassigned bytes map to the C1
// controls of the same number, as Windows does).
class Cp1252Codec final : public AnsiCodec {
 public:
  [[nodiscard]] unsigned CodePage() const override { return 1252; }
  [[nodiscard]] std::optional<std::wstring> Decode(std::string_view bytes) const override;
  [[nodiscard]] std::optional<std::string> Encode(std::wstring_view text) const override;
};

// The codec of the running system: Windows-1252 natively, the ANSI code page on Windows.
const AnsiCodec& SystemAnsiCodec();

}  // namespace corvanel
