#include "ansi_codec.h"

namespace corvanel {

const AnsiCodec& SystemAnsiCodec() {
  static const Cp1252Codec codec;
  return codec;
}

}  // namespace corvanel
