#pragma once
// Windows-1252 without its byte table: the previous file is decoded before it is read, as in any
// code page of several bytes a character. Both ways must give the same merge.
#include "common/core/ansi_codec.h"

namespace tessaly::testing {

class DecodingCp1252 final : public corvanel::AnsiCodec {
 public:
  unsigned CodePage() const override { return 1252; }
  bool DecodeAppend(std::string_view bytes, std::wstring& out) const override { return cp1252.DecodeAppend(bytes, out); }
  bool EncodeAppend(std::wstring_view text, std::string& out) const override { return cp1252.EncodeAppend(text, out); }

 private:
  corvanel::Cp1252Codec cp1252;
};

}  // namespace tessaly::testing
