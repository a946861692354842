#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/core/ansi_codec.h"
#include "common/core/app_error.h"
#include "common/core/trimmed.h"
#include "common/core/unique_any.h"
#include "common/core/utf8.h"

namespace corvanel {
namespace {

std::vector<int> g_closed;
struct FakeTraits {
  using pointer = int;
  static int invalid() noexcept { return -1; }
  static void close(int h) noexcept { g_closed.push_back(h); }
};
using unique_fake = unique_any<FakeTraits>;

TEST(UniqueAny, ClosesEachValueExactlyOnce) {
  g_closed.clear();
  {
    unique_fake a(1);
    unique_fake b(std::move(a));  // a gives up 1 without closing
    EXPECT_FALSE(a.valid());
    *b.put() = 2;  // put closes 1 first
    unique_fake c;
    c = std::move(b);  // c takes 2
    unique_fake d(3);
    EXPECT_EQ(d.release(), 3);  // released: never closed
    c.reset(4);                 // closes 2
  }                             // closes 4
  EXPECT_EQ(g_closed, (std::vector<int>{1, 2, 4}));
}

TEST(ScopeExit, RunsUnlessDismissed) {
  int runs = 0;
  {
    scope_exit a([&] { ++runs; });
    scope_exit b([&] { runs += 10; });
    b.dismiss();
  }
  EXPECT_EQ(runs, 1);
}

TEST(Trimmed, RemovesOnlySpaces) {
  const struct {
    std::wstring in, out;
  } cases[] = {
      {L"", L""},
      {L"   ", L""},
      {L"  a b  ", L"a b"},
      {L"\tx\t", L"\tx\t"},
      {L" \t x \t ", L"\t x \t"},
      {L"\r\n", L"\r\n"},
      {L"\u00A0a", L"\u00A0a"},  // no-break space is not a space here
  };
  for (const auto& c : cases) EXPECT_EQ(Trimmed(c.in), c.out) << WideToUtf8(c.in);
}

TEST(Cp1252, EveryByteRoundTrips) {
  Cp1252Codec codec;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  auto wide = codec.Decode(all);
  ASSERT_TRUE(wide);
  EXPECT_EQ((*wide)[0x80], L'\u20AC');
  EXPECT_EQ((*wide)[0x81], L'\u0081');
  EXPECT_EQ((*wide)[0x9F], L'\u0178');
  EXPECT_EQ(codec.Encode(*wide), all);
}

TEST(Cp1252, RefusesCharactersWithoutAnExactByte) {
  Cp1252Codec codec;
  for (const wchar_t* text : {L"\u0100", L"a\u2200b", L"\u0080", L"\uFFFD"}) {
    EXPECT_FALSE(codec.Encode(text)) << WideToUtf8(text);
  }
}

TEST(MakeCodePageCodec, GivesStrictCodecsForAsciiCodePagesOnly) {
  const struct {
    unsigned codePage;
    std::string bytes;  // valid text...
    std::wstring text;  // ...read as this
    std::string broken;
    std::wstring missing;  // a character the code page lacks
  } cases[] = {
      {1252, "caf\xE9\x80", L"caf\u00E9\u20AC", "", L"\u0100"},
      {932, "\x93\xFA\x96\x7B", L"\u65E5\u672C", "a\x82", L"\u00E9"},
      {1251, "\xC4\xE0", L"\u0414\u0430", "\x98", L"\u00E9"},
      {65001, "\xC3\xA9", L"\u00E9", "\xC3", L"\xD800"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    const auto codec = MakeCodePageCodec(c.codePage);
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->CodePage(), c.codePage);
    EXPECT_EQ(codec->Decode(c.bytes), c.text);
    EXPECT_EQ(codec->Encode(c.text), c.bytes);
    if (!c.broken.empty()) EXPECT_FALSE(codec->Decode(c.broken));
    EXPECT_FALSE(codec->Encode(c.missing));
  }
  for (const unsigned refused : {37u, 500u, 12345u}) EXPECT_EQ(MakeCodePageCodec(refused), nullptr) << refused;
}

TEST(Utf8, ConvertsBothWaysAndReplacesInvalidBytes) {
  EXPECT_EQ(WideToUtf8(L"a\u00E9\u20AC"), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8ToWide("a\xC3\xA9\xE2\x82\xAC"), L"a\u00E9\u20AC");
  EXPECT_EQ(Utf8ToWide("a\xC3"), L"a\uFFFD");
  EXPECT_EQ(Utf8ToWide("\xFF"
                       "b"),
            L"\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xC0\xAF\xE0\x80\xAF"), L"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");  // overlong "/"
  for (const std::string name : {"a\xC0\x80", "caf\xE9", "\xED\xB2\x80", "\xC3\xA9\xF0\x9F\x98\x80"}) {
    EXPECT_EQ(WideToFileName(FileNameToWide(name)), name);
  }
}

TEST(AppError, CarriesContextReasonAndCode) {
  AppError e(L"Cannot read \"x.inc\"", L"Access is denied.", 5);
  EXPECT_EQ(e.Message(), L"Cannot read \"x.inc\": Access is denied.");
  EXPECT_EQ(e.Code(), 5u);
  EXPECT_STREQ(e.what(), "Cannot read \"x.inc\": Access is denied.");
}

}  // namespace
}  // namespace corvanel
