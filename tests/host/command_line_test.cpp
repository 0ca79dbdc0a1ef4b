// Splitting the process command line, and turning arguments back into one.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace korva {
namespace {

TEST(CommandLine, SplitsOffTheProgramName) {
  auto s = splitCommandLine("  \"C:\\My Games\\run.exe\"   -a b  ");
  EXPECT_EQ(s.program, "C:\\My Games\\run.exe");
  EXPECT_EQ(s.arguments, "   -a b  ");
  EXPECT_EQ(trimBlanks(s.arguments), "-a b");

  s = splitCommandLine("game.exe");
  EXPECT_EQ(s.program, "game.exe");
  EXPECT_EQ(s.arguments, "");

  s = splitCommandLine("\"unclosed name with args");
  EXPECT_EQ(s.arguments, "");

  s = splitCommandLine("game one two");
  EXPECT_EQ(s.program, "game");
  EXPECT_EQ(s.arguments, "one two");
  EXPECT_EQ(splitCommandLine("").program, "");
}

TEST(CommandLine, JoinsArgumentsQuotingBlanksAndQuotes) {
  EXPECT_EQ(joinArguments({}), "");
  EXPECT_EQ(joinArguments({"a", "b c", "d\"e", ""}), "a \"b c\" \"d\"e\" ");
  EXPECT_EQ(trimBlanks("\t x \t"), "\t x \t");  // only spaces are blanks
}

}  // namespace
}  // namespace korva
