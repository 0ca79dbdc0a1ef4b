#include <bit>
#include <cmath>
#include <limits>

#include "basic_test.h"

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

TEST(StringConversions, FloatToText) {
  const float low = std::bit_cast<float>(0x358637BDu);
  struct Case {
    float x;
    const char* text;
  } cases[] = {
      {1.f, "1.000000"},      {-1.f, "-1."},           {0.5f, "0.500000"},
      {-0.5f, "-0.5"},        {1e7f, "1.e+007"},       {1e-7f, "1.e-007"},
      {-0.f, "-0.000000"},    {0.f, "0.000000"},       {12345678.f, "1.234568e+007"},
      {0.00000025f, "2.5e-007"}, {-1.5f, "-1.5"},      {-100.f, "-100."},
      {-0.25f, "-0.25"},      {-0.05f, "-5.e-002"},    {1.5f, "1.500000"},
      {0.001f, "0.001000"},   {0.1f, "0.100000"},      {9999999.f, "9999999.000000"},
      {low, "0.000001"},
      // Seven significant digits, rounded; the exponent is that of the rounded value.
      {-low, "-1.e-006"},     {12345675.f, "1.234568e+007"}, {-9.99999905f, "-9.999999"},
      {-999999.94f, "-999999.9"}, {123456.7f, "123456.703125"}, {-123456.7f, "-123456.7"},
      {3.4028235e38f, "3.402823e+038"}, {1e-45f, "1.401298e-045"},
      {std::numeric_limits<float>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<float>::quiet_NaN(), "NAN"},
      {INFINITY, "INFINITY"}, {-INFINITY, "-INFINITY"},
  };
  for (const Case& c : cases) EXPECT_EQ(floatToText(c.x), c.text) << "bits " << std::bit_cast<uint32_t>(c.x);
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
