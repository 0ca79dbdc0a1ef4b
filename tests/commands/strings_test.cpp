// The string commands called directly: results, the checks, and who owns what afterwards.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <cctype>
#include <string>

#include "basic/strings.h"
#include "commands/strings.h"
#include "core/errors.h"
#include "app/module_list.h"
#include "basic/basic_module.h"
#include "support/error_of.h"

namespace korva::test {
namespace {

using namespace strings;

class StringCommands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(basic_create()); }
  void TearDown() override { basic_destroy(); }

  static vxStr* S(std::string_view t) { return vxStrNew(t); }

  // The text of the string f returns, which must be the only string f leaves behind: its
  // arguments, made inside f, are released or returned.
  template <class F>
  static std::string text(F&& f) {
    size_t before = liveStringCount();
    vxStr* r = f();
    EXPECT_EQ(liveStringCount(), before + 1);
    std::string t(vxStrView(r));
    vxStrRelease(r);
    return t;
  }
  // The result of a command with an integer result; it must release every argument.
  template <class F>
  static int32_t number(F&& f) {
    size_t before = liveStringCount();
    int32_t r = f();
    EXPECT_EQ(liveStringCount(), before);
    return r;
  }
};

TEST_F(StringCommands, LeftRightAndMidCutByBytes) {
  EXPECT_EQ(text([] { return Left(S("hello"), 0); }), "");
  EXPECT_EQ(text([] { return Left(S("hello"), 10); }), "hello");
  EXPECT_EQ(text([] { return Right(S("hello"), 2); }), "lo");
  EXPECT_EQ(text([] { return Right(S("hello"), 10); }), "hello");
  EXPECT_EQ(text([] { return Right(S("hello"), 0); }), "");
  EXPECT_EQ(text([] { return Mid(S("hello"), 2, 3); }), "ell");
  EXPECT_EQ(text([] { return Mid(S("hello"), 2, -1); }), "ello");
  EXPECT_EQ(text([] { return Mid(S("hello"), 5, 100); }), "o");
  EXPECT_EQ(text([] { return Mid(S("hello"), 6, -1); }), "");
  EXPECT_EQ(text([] { return Mid(S("hello"), 9, 2); }), "");
  EXPECT_EQ(text([] { return Mid(S("hello"), INT_MAX, INT_MAX); }), "");
  EXPECT_EQ(text([] { return Mid(S("hello"), 1, 0); }), "");
}

TEST_F(StringCommands, InPlaceCommandsReturnTheirArgument) {
  vxStr* s = S("  Hello World  ");
  size_t live = liveStringCount();
  EXPECT_EQ(Trim(s), s);
  EXPECT_EQ(Upper(s), s);
  EXPECT_EQ(Lower(s), s);
  EXPECT_EQ(Replace(s, S("o"), S("0")), s);
  EXPECT_EQ(LSet(s, 20), s);
  EXPECT_EQ(RSet(s, 25), s);
  EXPECT_EQ(Mid(s, 2, 30), s);
  EXPECT_EQ(Left(s, 22), s);
  EXPECT_EQ(Right(s, 21), s);
  EXPECT_EQ(liveStringCount(), live);
  EXPECT_EQ(vxStrView(s), "   hell0 w0rld       ");
  vxStrRelease(s);
}

TEST_F(StringCommands, InstrPositionsAndEmptyFind) {
  EXPECT_EQ(number([] { return Instr(S("banana"), S("an"), 1); }), 2);
  EXPECT_EQ(number([] { return Instr(S("banana"), S("an"), 3); }), 4);
  EXPECT_EQ(number([] { return Instr(S("banana"), S("an"), 7); }), 0);
  EXPECT_EQ(number([] { return Instr(S("banana"), S("x"), 1); }), 0);
  EXPECT_EQ(number([] { return Instr(S("banana"), S(""), 3); }), 3);
  EXPECT_EQ(number([] { return Instr(S("banana"), S(""), 7); }), 7);  // at the very end
  EXPECT_EQ(number([] { return Instr(S("banana"), S(""), 8); }), 0);  // past it
  EXPECT_EQ(number([] { return Instr(S("banana"), S("a"), INT_MAX); }), 0);
  EXPECT_EQ(number([] { return Instr(S(""), S(""), 1); }), 1);
}

TEST_F(StringCommands, ReplaceNeverSearchesWhatItInserted) {
  EXPECT_EQ(text([] { return Replace(S("aaa"), S("a"), S("aa")); }), "aaaaaa");
  EXPECT_EQ(text([] { return Replace(S("aaaa"), S("aa"), S("b")); }), "bb");
  EXPECT_EQ(text([] { return Replace(S("aaa"), S("aa"), S("b")); }), "ba");
  EXPECT_EQ(text([] { return Replace(S("abcabc"), S("bc"), S("")); }), "aa");
  EXPECT_EQ(text([] { return Replace(S("abab"), S("ab"), S("ba")); }), "baba");
  EXPECT_EQ(text([] { return Replace(S("hello"), S("z"), S("q")); }), "hello");
  // An empty pattern leaves the string alone instead of growing it without end.
  EXPECT_EQ(text([] { return Replace(S("abc"), S(""), S("x")); }), "abc");
  std::string many, doubled;
  for (int i = 0; i < 5000; ++i) many += "x-", doubled += "yz-";
  EXPECT_EQ(text([&] { return Replace(S(many), S("x"), S("yz")); }), doubled);
}

TEST_F(StringCommands, CaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(text([] { return Upper(S("abz[`{@AZ\xe9")); }), "ABZ[`{@AZ\xe9");
  EXPECT_EQ(text([] { return Lower(S("ABZ[`{@az\xc9")); }), "abz[`{@az\xc9");
  EXPECT_EQ(text([] { return Upper(S("")); }), "");
}

TEST_F(StringCommands, TrimDropsEveryNonGraphicByteAtTheEnds) {
  EXPECT_EQ(text([] { return Trim(S("\t x y \n")); }), "x y");
  EXPECT_EQ(text([] { return Trim(S(std::string("\x01\x7f\xa0" "a\x80\x00 ", 7))); }), "a");
  EXPECT_EQ(text([] { return Trim(S("!~")); }), "!~");
  EXPECT_EQ(text([] { return Trim(S(" \t\r\n\x7f ")); }), "");
  EXPECT_EQ(text([] { return Trim(S("")); }), "");
}

TEST_F(StringCommands, LSetAndRSetCutOrPad) {
  EXPECT_EQ(text([] { return LSet(S("ab"), 4); }), "ab  ");
  EXPECT_EQ(text([] { return LSet(S("abcdef"), 3); }), "abc");
  EXPECT_EQ(text([] { return LSet(S("abc"), 0); }), "");
  EXPECT_EQ(text([] { return RSet(S("ab"), 4); }), "  ab");
  EXPECT_EQ(text([] { return RSet(S("abcdef"), 3); }), "def");
  EXPECT_EQ(text([] { return RSet(S("abc"), 3); }), "abc");
  EXPECT_EQ(text([] { return RSet(S(""), 2); }), "  ");
  // Long enough to leave any small in-record buffer.
  EXPECT_EQ(text([] { return RSet(S("xyz"), 300); }), std::string(297, ' ') + "xyz");
}

TEST_F(StringCommands, StringRepeatsIntoANewString) {
  EXPECT_EQ(text([] { return String(S("ab"), 3); }), "ababab");
  EXPECT_EQ(text([] { return String(S("ab"), -1); }), "");
  EXPECT_EQ(text([] { return String(S("ab"), 0); }), "");
  EXPECT_EQ(text([] { return String(S(""), 5); }), "");
  EXPECT_EQ(text([] { return String(S("abc"), 7); }), "abcabcabcabcabcabcabc");
  std::string expected;
  for (int i = 0; i < 1001; ++i) expected += "xyz";
  EXPECT_EQ(text([] { return String(S("xyz"), 1001); }), expected);
}

TEST_F(StringCommands, CharacterCodesAndLength) {
  EXPECT_EQ(text([] { return Chr(0); }), std::string(1, '\0'));
  EXPECT_EQ(text([] { return Chr(321); }), "A");
  EXPECT_EQ(text([] { return Chr(-1); }), "\xff");
  EXPECT_EQ(number([] { return Asc(S("")); }), -1);
  EXPECT_EQ(number([] { return Asc(S("\xe9x")); }), 233);
  EXPECT_EQ(number([] { return Asc(S("A")); }), 65);
  EXPECT_EQ(number([] { return Len(S(std::string("a\0b", 3))); }), 3);
  EXPECT_EQ(number([] { return Len(S("")); }), 0);
}

TEST_F(StringCommands, HexAndBinShowAll32Bits) {
  EXPECT_EQ(text([] { return Hex(255); }), "000000FF");
  EXPECT_EQ(text([] { return Hex(-1); }), "FFFFFFFF");
  EXPECT_EQ(text([] { return Hex(INT_MIN); }), "80000000");
  EXPECT_EQ(text([] { return Bin(5); }), std::string(29, '0') + "101");
  EXPECT_EQ(text([] { return Bin(-1); }), std::string(32, '1'));
  EXPECT_EQ(text([] { return Bin(INT_MIN); }), "1" + std::string(31, '0'));
  EXPECT_EQ(text([] { return Bin(0); }), std::string(32, '0'));
}

// True when text has the shape of pattern, where '9' stands for any digit and 'M' for
// one letter.
bool shaped(const std::string& text, const std::string& pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    bool ok = pattern[i] == '9' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0
              : pattern[i] == 'M' ? std::isalpha(static_cast<unsigned char>(text[i])) != 0
                                  : text[i] == pattern[i];
    if (!ok) return false;
  }
  return true;
}

TEST_F(StringCommands, DateAndTimeFormats) {
  std::string date = text(CurrentDate);
  EXPECT_TRUE(shaped(date, "99 MMM 9999")) << date;
  EXPECT_NE(std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(date.substr(3, 3)), std::string::npos) << date;
  std::string time = text(CurrentTime);
  EXPECT_TRUE(shaped(time, "99:99:99")) << time;
}

TEST_F(StringCommands, FailedChecksReleaseTheirArgumentsToo) {
  struct Case {
    std::function<void(vxStr*)> call;
    const char* message;
  } cases[] = {
      {[](vxStr* s) { Left(s, -1); }, "parameter must be positive"},
      {[](vxStr* s) { Right(s, -1); }, "parameter must be positive"},
      {[](vxStr* s) { LSet(s, -1); }, "parameter must be positive"},
      {[](vxStr* s) { RSet(s, INT_MIN); }, "parameter must be positive"},
      {[](vxStr* s) { Mid(s, 0, 1); }, "parameter must be greater than 0"},
      {[](vxStr* s) { Mid(s, INT_MIN, -1); }, "parameter must be greater than 0"},
      {[](vxStr* s) { Instr(s, S("a"), 0); }, "parameter must be greater than 0"},
  };
  for (const Case& c : cases) {
    const size_t before = liveStringCount();
    vxStr* s = S("abc");
    EXPECT_EQ(errorOf([&] { c.call(s); }), c.message);
    EXPECT_FALSE(vxStrIsLive(s));  // released on the error path as on every other
    EXPECT_EQ(liveStringCount(), before);
  }
}

TEST_F(StringCommands, NullArgumentsReadAsEmpty) {
  EXPECT_EQ(text([] { return Left(nullptr, 3); }), "");
  EXPECT_EQ(text([] { return LSet(nullptr, 2); }), "  ");
  EXPECT_EQ(text([] { return Replace(nullptr, nullptr, S("x")); }), "");
  EXPECT_EQ(text([] { return Upper(nullptr); }), "");
  EXPECT_EQ(text([] { return String(nullptr, 3); }), "");
  EXPECT_EQ(number([] { return Instr(nullptr, nullptr, 1); }), 1);
  EXPECT_EQ(number([] { return Asc(nullptr); }), -1);
}

TEST_F(StringCommands, HugeResultsEndWithOutOfMemory) {
  vxStr* s = S("ab");
  EXPECT_EQ(errorOf([&] { String(s, INT_MAX); }), "Out of memory");
  vxStr* t = S("ab");
  EXPECT_EQ(errorOf([&] { LSet(t, INT_MAX); }), "Out of memory");
  // Whatever is left live goes with the basic module.
}

}  // namespace
}  // namespace korva::test
