#include <windows.h>

#include "../core/ansi_codec.h"

namespace corvanel {

namespace {
// A Windows code page (CP_ACP: the ANSI code page): strict decoding, no best-fit encoding, and a
// round-trip check, since some code pages decode bytes that they would not write back the same.
class CodePageCodec final : public AnsiCodec {
 public:
  explicit CodePageCodec(UINT codePage) : codePage_(codePage) {}

  [[nodiscard]] unsigned CodePage() const override { return codePage_ == CP_ACP ? GetACP() : codePage_; }

  [[nodiscard]] bool DecodeAppend(std::string_view bytes, std::wstring& out) const override {
    if (bytes.empty()) return true;
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int inLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (length <= 0) return false;
    const std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(length));
    std::string back;
    if (MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes.data(), inLength, out.data() + old, length) !=
            length ||
        !EncodeAppend(std::wstring_view(out).substr(old), back) || back != bytes) {
      out.resize(old);
      return false;
    }
    return true;
  }

  [[nodiscard]] bool EncodeAppend(std::wstring_view text, std::string& out) const override {
    if (text.empty()) return true;
    if (text.size() > 0x7FFFFFFF) return false;
    const int inLength = static_cast<int>(text.size());
    // UTF-8 and the other multi-byte code pages without default characters take neither the
    // best-fit flag nor the used-default check; they report invalid input as a failure instead.
    const bool utf8 = CodePage() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length =
        WideCharToMultiByte(codePage_, flags, text.data(), inLength, nullptr, 0, nullptr, usedDefaultOut);
    if (length <= 0 || usedDefault) return false;
    const std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(length));
    if (WideCharToMultiByte(codePage_, flags, text.data(), inLength, out.data() + old, length, nullptr,
                            usedDefaultOut) != length ||
        usedDefault) {
      out.resize(old);
      return false;
    }
    return true;
  }

 private:
  UINT codePage_;
};

}  // namespace

const AnsiCodec& SystemAnsiCodec() {
  static const CodePageCodec codec(CP_ACP);
  return codec;
}

std::unique_ptr<AnsiCodec> MakeCodePageCodec(unsigned codePage) {
  // The pseudo code pages (ANSI, OEM, Mac, thread) are not a number a user means.
  if (codePage <= CP_THREAD_ACP || !IsValidCodePage(codePage)) return nullptr;
  auto codec = std::make_unique<CodePageCodec>(codePage);
  if (!ReadsAsciiAsAscii(*codec)) return nullptr;
  return codec;
}

}  // namespace corvanel
