#include <bit>
#include <cmath>
#include <limits>

#include "basic/internal.h"
#include "basic_test.h"
#include "support/guest_heap.h"

namespace korva::test {
namespace {

using namespace basic;

class Strings : public BasicTest {};

TEST(StringConversions, IntegerToAndFromText) {
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(-2147483648), "-2147483648");
  EXPECT_EQ(intToText(2147483647), "2147483647");
  EXPECT_EQ(textToInt("12abc"), 12);
  EXPECT_EQ(textToInt("abc"), 0);
  EXPECT_EQ(textToInt(" -7"), -7);
  EXPECT_EQ(textToInt("\t\n+42"), 42);
  EXPECT_EQ(textToInt("- 5"), 0);
  EXPECT_EQ(textToInt(""), 0);
  // Beyond 32 bits the value wraps, without undefined behaviour.
  EXPECT_EQ(textToInt("2147483648"), -2147483647 - 1);
  EXPECT_EQ(textToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(textToInt("4294967297"), 1);
  EXPECT_EQ(textToInt("99999999999999999999999"), -159383553);
}

// Each row is printed with both signs: positive values between 0.000001 and 9999999 take the
// six-decimal form, every negative value takes the seven-digit form.
TEST(StringConversions, FloatToTextForEveryDecimalExponentAndBothSigns) {
  struct Case {
    float x;
    const char* positive;
    const char* negative;
  } cases[] = {
      {1e-8f, "1.e-008", "-1.e-008"},  // the float lies below 1e-8: rounding carries
      {1.234567e-8f, "1.234567e-008", "-1.234567e-008"},
      {1e-7f, "1.e-007", "-1.e-007"},
      {1.234567e-7f, "1.234567e-007", "-1.234567e-007"},
      {0x1.0c6f78p-20f, "9.999999e-007", "-9.999999e-007"},  // just below 0.000001
      {1e-6f, "0.000001", "-1.e-006"},
      {0x1.0c6f7cp-20f, "0.000001", "-1.e-006"},
      {1.234567e-6f, "0.000001", "-1.234567e-006"},
      {1e-5f, "0.000010", "-1.e-005"},
      {1.234567e-5f, "0.000012", "-1.234567e-005"},
      {1e-4f, "0.000100", "-1.e-004"},
      {1.234567e-4f, "0.000123", "-1.234567e-004"},
      {1e-3f, "0.001000", "-1.e-003"},
      {1.234567e-3f, "0.001235", "-1.234567e-003"},
      {1e-2f, "0.010000", "-1.e-002"},
      {1.234567e-2f, "0.012346", "-1.234567e-002"},
      {0.05f, "0.050000", "-5.e-002"},
      {0.099999994f, "0.100000", "-9.999999e-002"},
      {0.1f, "0.100000", "-0.1"},
      {0.25f, "0.250000", "-0.25"},
      {1.234567e-1f, "0.123457", "-0.1234567"},
      {1.f, "1.000000", "-1."},
      {1.5f, "1.500000", "-1.5"},
      {9.9999995f, "9.999999", "-9.999999"},
      {10.f, "10.000000", "-10."},
      {12.34567f, "12.345670", "-12.34567"},
      {100.f, "100.000000", "-100."},
      {123.4567f, "123.456703", "-123.4567"},
      {1000.f, "1000.000000", "-1000."},
      {1234.567f, "1234.567017", "-1234.567"},
      {10000.f, "10000.000000", "-10000."},
      {12345.67f, "12345.669922", "-12345.67"},
      {99999.996f, "99999.992188", "-99999.99"},
      {100000.f, "100000.000000", "-100000."},
      {123456.7f, "123456.703125", "-123456.7"},
      {999999.94f, "999999.937500", "-999999.9"},  // just below 1000000
      {1000000.f, "1000000.000000", "-1000000."},
      {1234567.f, "1234567.000000", "-1234567."},
      {2000000.f, "2000000.000000", "-2000000."},
      {9999999.f, "9999999.000000", "-9999999."},  // just below 10000000
      {1e7f, "1.e+007", "-1.e+007"},
      {12345678.f, "1.234568e+007", "-1.234568e+007"},
      {1e8f, "1.e+008", "-1.e+008"},
      {1.234567e8f, "1.234567e+008", "-1.234567e+008"},
      {1e9f, "1.e+009", "-1.e+009"},
      {1.234567e9f, "1.234567e+009", "-1.234567e+009"},
      {3.4028235e38f, "3.402823e+038", "-3.402823e+038"},
      {1e-45f, "1.401298e-045", "-1.401298e-045"},
      {0.f, "0.000000", "-0.000000"},
      {INFINITY, "INFINITY", "-INFINITY"},
      {std::numeric_limits<float>::quiet_NaN(), "NAN", "NAN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(floatToText(c.x), c.positive) << "bits " << std::hex << std::bit_cast<uint32_t>(c.x);
    EXPECT_EQ(floatToText(-c.x), c.negative) << "bits " << std::hex << std::bit_cast<uint32_t>(-c.x);
  }
}

TEST(StringConversions, TextToFloat) {
  EXPECT_EQ(textToFloat("1.5"), 1.5f);
  EXPECT_EQ(textToFloat("  -2.5e2xyz"), -250.f);
  EXPECT_EQ(textToFloat(".5"), 0.5f);
  EXPECT_EQ(textToFloat("5."), 5.f);
  EXPECT_EQ(textToFloat("1e"), 1.f);
  EXPECT_EQ(textToFloat("1e+"), 1.f);
  EXPECT_EQ(textToFloat("abc"), 0.f);
  EXPECT_EQ(textToFloat("."), 0.f);
  // Only the decimal form: no hexadecimal, no words.
  EXPECT_EQ(textToFloat("0x10"), 0.f);
  EXPECT_EQ(textToFloat("inf"), 0.f);
  EXPECT_EQ(textToFloat("nan"), 0.f);
  EXPECT_EQ(textToFloat("1e40"), INFINITY);
  EXPECT_EQ(textToFloat("-1e40"), -INFINITY);
  EXPECT_EQ(textToFloat("1e400"), INFINITY);
  EXPECT_EQ(textToFloat("1e-400"), 0.f);
  EXPECT_EQ(textToFloat("3.4028235e38"), std::numeric_limits<float>::max());
  // Read in double precision, then rounded once to single.
  EXPECT_EQ(textToFloat("0.1"), 0.1f);
  EXPECT_EQ(textToFloat("16777217"), 16777216.f);
}

TEST_F(Strings, CompareByUnsignedBytesAndReleaseBoth) {
  auto cmp = [](const char* a, const char* b) { return StrCompare(vxStrNew(a), vxStrNew(b)); };
  EXPECT_EQ(cmp("abc", "abd"), -1);
  EXPECT_EQ(cmp("ab", "abc"), -1);
  EXPECT_EQ(cmp("b", "abc"), 1);
  EXPECT_EQ(cmp("", ""), 0);
  EXPECT_EQ(cmp("same", "same"), 0);
  EXPECT_EQ(cmp("\xE9t\xE9", "z"), 1);
  EXPECT_EQ(StrCompare(vxStrNew(std::string_view("a\0b", 3)), vxStrNew(std::string_view("a\0c", 3))), -1);
  EXPECT_EQ(StrCompare(nullptr, vxStrNew("")), 0);
  EXPECT_EQ(liveStringCount(), 0u);
}

TEST_F(Strings, ConcatKeepsTheFirstAndFreesTheSecond) {
  vxStr* a = vxStrNew("ab");
  vxStr* b = vxStrNew("cd");
  EXPECT_EQ(StrConcat(a, b), a);
  EXPECT_EQ(vxStrView(a), "abcd");
  EXPECT_EQ(liveStringCount(), 1u);
  EXPECT_EQ(errorOf([&] { vxStrView(b); }), "Illegal memory address");

  // Growing past the record's own buffer, many times over.
  std::string expect = "abcd";
  for (int i = 0; i < 500; ++i) {
    std::string piece = intToText(i);
    a = StrConcat(a, vxStrNew(piece));
    expect += piece;
  }
  EXPECT_EQ(vxStrView(a), expect);
  EXPECT_EQ(std::strlen(vxStrCStr(a)), expect.size());
  EXPECT_EQ(StrConcat(a, a), a);  // joined to itself: doubled, still one string
  EXPECT_EQ(vxStrView(a), expect + expect);
  EXPECT_EQ(take(StrConcat(nullptr, vxStrNew("x"))), "x");
  EXPECT_EQ(liveStringCount(), 1u);
}

TEST_F(Strings, VariablesLoadAndStore) {
  uint32_t* v = var();
  vxStr* empty = StrLoad(v);
  EXPECT_EQ(liveStringCount(), 1u);
  EXPECT_EQ(vxStrView(empty), "");
  vxStrRelease(empty);

  vxStr* s = vxStrNew("hello");
  StrStore(v, s);
  EXPECT_EQ(*v, guest::addr(s));
  vxStr* copy = StrLoad(v);
  EXPECT_NE(copy, s);
  EXPECT_EQ(take(copy), "hello");
  StrStore(v, s);  // its own string again: still alive
  EXPECT_EQ(vxStrView(s), "hello");
  StrStore(v, StrFromInt(-12));
  EXPECT_EQ(liveStringCount(), 1u);
  EXPECT_EQ(StrToInt(StrLoad(v)), -12);
  EXPECT_EQ(StrToFloat(StrFromFloat(0.25f)), 0.25f);
  StrStore(v, nullptr);
  EXPECT_EQ(liveStringCount(), 0u);
}

TEST_F(Strings, FreedRecordsAreReusedInTheOrderTheyWereFreed) {
  vxStr* a = vxStrNew("a");
  vxStr* b = vxStrNew("b");
  vxStr* c = vxStrNew("c");
  EXPECT_EQ(guest::addr(b) - guest::addr(a), guest::addr(c) - guest::addr(b));
  StrRelease(b);
  StrRelease(c);
  StrRelease(a);
  StrRelease(nullptr);
  // The pool's untouched records come first; then b, c, a.
  std::vector<vxStr*> made;
  for (int i = 0; i < 509; ++i) made.push_back(vxStrNew("x"));
  for (vxStr* s : made) EXPECT_TRUE(s != a && s != b && s != c);
  EXPECT_EQ(vxStrNew("1"), b);
  EXPECT_EQ(vxStrNew("2"), c);
  EXPECT_EQ(vxStrNew("3"), a);
  vxStr* fresh = vxStrNew("from a second block");
  EXPECT_TRUE(guest::inGuest(fresh, 64));
  EXPECT_EQ(liveStringCount(), 513u);
}

TEST_F(Strings, LiveStringsAreListedOldestFirstWhateverRecordTheyHave) {
  vxStr* first = vxStrNew("first");
  std::vector<uint32_t> expect;
  for (int i = 0; i < 511; ++i) expect.push_back(guest::addr(vxStrNew("filler")));
  vxStrRelease(first);
  vxStr* newest = vxStrNew("newest");  // the pool is full: it takes first's record
  ASSERT_EQ(newest, first);
  expect.push_back(guest::addr(newest));
  std::vector<uint32_t> listed;
  basic::forEachLiveString([&](uint32_t a) { listed.push_back(a); });
  EXPECT_EQ(listed, expect);
}

TEST_F(Strings, InPlaceResizeAndAssign) {
  vxStr* s = vxStrNew("abc");
  char* p = vxStrResize(s, 100);
  EXPECT_EQ(std::string_view(p, 3), "abc");
  EXPECT_EQ(vxStrView(s), std::string("abc") + std::string(97, '\0'));
  vxStrResize(s, 2);
  EXPECT_STREQ(vxStrCStr(s), "ab");
  vxStrAssign(s, std::string(300, 'q'));
  EXPECT_EQ(vxStrView(s), std::string(300, 'q'));
  vxStrAssign(s, vxStrView(s).substr(290));  // from its own text
  EXPECT_EQ(vxStrView(s), std::string(10, 'q'));
  EXPECT_STREQ(vxStrCStr(nullptr), "");
  EXPECT_EQ(vxStrView(nullptr), "");
  vxStrRelease(s);
}

// Growth where guest memory has no room: a quiet null, the string as it was. The capacity
// doubles where there is room for that, else grows to just the length asked for.
TEST_F(Strings, TryResizeFailsQuietlyWhenGuestMemoryHasNoRoom) {
  vxStr* s = vxStrNew("abc");
  ASSERT_NE(vxStrTryResize(s, 1 << 20), nullptr);
  EXPECT_EQ(vxStrView(s).size(), 1u << 20);
  EXPECT_EQ(vxStrTryResize(s, guest::kRegionSize), nullptr);
  EXPECT_EQ(vxStrView(s).size(), 1u << 20) << "unchanged";
  EXPECT_EQ(vxStrView(s).substr(0, 3), "abc");
  vxStrRelease(s);
  // With one run of room left, doubling cannot be had beside the old text, but the length
  // asked for can.
  std::vector<std::pair<void*, uint32_t>> taken;
  for (uint32_t n; (n = test::largestGuestBlock()) > (16u << 20);) taken.push_back({guest::alloc(n), n});
  ASSERT_FALSE(taken.empty());
  auto [room, size] = taken.front();
  guest::free(room);
  vxStr* big = vxStrNew({});
  ASSERT_NE(vxStrTryResize(big, size / 10 * 4), nullptr);
  EXPECT_NE(vxStrTryResize(big, size / 10 * 5), nullptr);
  EXPECT_EQ(vxStrView(big).size(), size / 10 * 5);
  vxStrRelease(big);
  for (size_t i = 1; i < taken.size(); ++i) guest::free(taken[i].first);
}

TEST_F(Strings, PointersOutsideGuestMemoryAreRefused) {
  auto* bad = static_cast<vxStr*>(outsideGuest());
  EXPECT_EQ(errorOf([&] { StrRelease(bad); }), "Illegal memory address");
  EXPECT_EQ(errorOf([&] { StrConst(static_cast<const char*>(outsideGuest())); }), "Illegal memory address");
  EXPECT_EQ(errorOf([&] { StrLoad(static_cast<uint32_t*>(outsideGuest())); }), "Illegal memory address");
  // A guest word that is not a string record.
  uint32_t* v = var();
  *v = guest::addr(guestWords(16));
  EXPECT_EQ(errorOf([&] { StrLoad(v); }), "Illegal memory address");
  vxStr* s = vxStrNew("once");
  vxStrRelease(s);
  EXPECT_EQ(errorOf([&] { vxStrRelease(s); }), "Illegal memory address");
  EXPECT_EQ(liveStringCount(), 0u);
}

}  // namespace
}  // namespace korva::test
