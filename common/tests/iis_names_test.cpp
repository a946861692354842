// The name rule; the same table runs natively and under Wine, so both implementations agree.
#include <gtest/gtest.h>

#include "common/core/utf8.h"
#include "common/core/iis_names.h"

namespace corvanel {
namespace {

TEST(IisNamesEqual, FoldsAsWindowsDoes) {
  const struct {
    std::wstring_view a;
    std::wstring_view b;
    bool equal;
  } cases[] = {
      {L"IISWebServer", L"iiswebserver", true},
      {L"W3SVC/1/Root", L"w3svc/1/ROOT", true},
      {L"", L"", true},
      {L"@[", L"`{", false},  // one bit apart like a case pair, yet no case pair
      {L"Mobile", L"Mobile2", false},
      {L"", L"a", false},
      {L"\u00E9t\u00E9", L"\u00C9T\u00C9", true},  // été, ÉTÉ
      {L"\u00FF", L"\u0178", true},                // ÿ, Ÿ: the pair lies outside Latin-1
      {L"\u00D7", L"\u00F7", false},               // ×, ÷
      {L"\u03C3\u03C9", L"\u03A3\u03A9", true},    // σω, ΣΩ
      {L"\u03B1\u03B8\u03AE\u03BD\u03B1", L"\u0391\u0398\u0389\u039D\u0391", true},  // αθήνα
      {L"\u041C\u043E\u0441\u043A\u0432\u0430\u0451", L"\u041C\u041E\u0421\u041A\u0412\u0410\u0401", true},
      {L"\u0436", L"\u0416\u0416", false},  // ж, ЖЖ
      {L"stra\u00DFe", L"STRASSE", false},  // ß has no one-character upper case
      {L"\u00DF", L"SS", false},
      {L"\u00DF", L"\u00DF", true},
      {L"\U00010400", L"\U00010428", false},  // a Deseret pair: Windows folds UTF-16 units only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.a) + " / " + WideToUtf8(c.b));
    EXPECT_EQ(IisNamesEqual(c.a, c.b), c.equal);
    EXPECT_EQ(IisNamesEqual(c.b, c.a), c.equal);
  }
}

}  // namespace
}  // namespace corvanel
