#include <windows.h>

#include "../core/ansi_codec.h"

namespace corvanel {

namespace {
// The ANSI code page (CP_ACP): strict decoding, no best-fit encoding, and a round-trip check,
// since some code pages decode bytes that they would not write back the same.
class AcpCodec final : public AnsiCodec {
 public:
  [[nodiscard]] unsigned CodePage() const override { return GetACP(); }

  [[nodiscard]] std::optional<std::wstring> Decode(std::string_view bytes) const override {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > 0x7FFFFFFF) return std::nullopt;
    const int inLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), inLength, text.data(), length) != length) {
      return std::nullopt;
    }
    const auto back = Encode(text);
    if (!back || *back != bytes) return std::nullopt;
    return text;
  }

  [[nodiscard]] std::optional<std::string> Encode(std::wstring_view text) const override {
    if (text.empty()) return std::string();
    if (text.size() > 0x7FFFFFFF) return std::nullopt;
    const int inLength = static_cast<int>(text.size());
    // UTF-8 and the other multi-byte code pages without default characters take neither the
    // best-fit flag nor the used-default check; they report invalid input as a failure instead.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), inLength, nullptr, 0, nullptr, usedDefaultOut);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, text.data(), inLength, bytes.data(), length, nullptr, usedDefaultOut) !=
            length ||
        usedDefault) {
      return std::nullopt;
    }
    return bytes;
  }
};
}  // namespace

const AnsiCodec& SystemAnsiCodec() {
  static const AcpCodec codec;
  return codec;
}

}  // namespace corvanel
