#include "window/exec.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/run_fixture.h"

#include "support/run_fixture.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

TEST(ExecCommandParsing, QuotedFileWithBlanksThenParameters) {
  auto parsed = parseExecCommand(R"(  "my games/run me.sh" one two )");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->file, "my games/run me.sh");
  EXPECT_EQ(parsed->parameters, "one two");
}

TEST(ExecCommandParsing, OpeningQuoteWithoutClosingQuoteIsAllFile) {
  auto parsed = parseExecCommand(R"( "my file.txt one)");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->file, R"("my file.txt one)");
  EXPECT_EQ(parsed->parameters, "");
}

TEST(ExecCommandParsing, UnquotedFileEndsAtTheFirstBlank) {
  auto parsed = parseExecCommand("notes.txt   a  b  ");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->file, "notes.txt");
  EXPECT_EQ(parsed->parameters, "a  b");
  parsed = parseExecCommand("notes.txt");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->file, "notes.txt");
  EXPECT_EQ(parsed->parameters, "");
}

TEST(ExecCommandParsing, NothingToStart) {
  EXPECT_FALSE(parseExecCommand(""));
  EXPECT_FALSE(parseExecCommand("    "));
  EXPECT_FALSE(parseExecCommand(R"("" x)"));
}

TEST(ExecArguments, BlanksSplitAndQuotesGroup) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(splitArguments(R"(a "b c" d)"), (Args{"a", "b c", "d"}));
  EXPECT_EQ(splitArguments(R"(x"y z"w)"), (Args{"xy zw"}));
  EXPECT_EQ(splitArguments(R"("" a)"), (Args{"", "a"}));
  EXPECT_EQ(splitArguments(R"("unclosed  quote)"), (Args{"unclosed  quote"}));
  EXPECT_EQ(splitArguments("  "), Args{});
}

TEST(ExecFindProgram, OnlyExecutableFiles) {
  EXPECT_TRUE(findProgram("sh"));
  EXPECT_FALSE(findProgram("/nonexistent/program"));
  EXPECT_FALSE(findProgram("/tmp"));  // a directory is not a program
  EXPECT_FALSE(findProgram("korva-no-such-program"));
}

class ExecFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("korva exec " + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    script = dir / "write args.sh";
    // Writes its arguments one a line, then renames the file so that it appears whole.
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nout=\"$1\"; shift\n"
                             "printf '%s\\n' \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n";
    fs::permissions(script, fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The file the script wrote, once it exists (a bound only against a hang).
  std::string waitForOutput(const fs::path& out) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir, script;
};

TEST_F(ExecFileTest, ArgumentsReachTheProgramVerbatimWithoutAShell) {
  test::TestRun session;
  ASSERT_TRUE(session.ok());
  RunContext* window = session.run.get();
  fs::path out = dir / "out.txt";
  fs::path pwned = dir / "pwned";
  std::string command = "  \"" + script.string() + "\" \"" + out.string() +
                        "\" a;b \"$(touch '" + pwned.string() + "')\" `id` | && * 'q' ";
  EXPECT_TRUE(window->execFile(command));
  EXPECT_EQ(waitForOutput(out),
            "a;b\n$(touch '" + pwned.string() + "')\n`id`\n|\n&&\n*\n'q'\n");
  EXPECT_FALSE(fs::exists(pwned));
  EXPECT_TRUE(window->poll());
}

TEST_F(ExecFileTest, NothingStartedIsReportedAsFailure) {
  test::TestRun session;
  ASSERT_TRUE(session.ok());
  RunContext* window = session.run.get();
  EXPECT_FALSE(window->execFile(""));
  EXPECT_FALSE(window->execFile("   "));
  // Not a program and nothing to open it with.
  const char* path = getenv("PATH");
  std::string saved = path ? path : "";
  setenv("PATH", dir.c_str(), 1);
  fs::path text = dir / "readme.txt";
  std::ofstream(text) << "hi";
  EXPECT_FALSE(window->execFile(text.string()));
  setenv("PATH", saved.c_str(), 1);
}

TEST_F(ExecFileTest, DocumentsGoToTheDesktopOpenerAlone) {
  // The opener stands in for the desktop's: it records what it was asked to open.
  fs::path out = dir / "opened.txt";
  std::ofstream(dir / "xdg-open") << "#!/bin/sh\nexec \"" << script.string() << "\" \""
                                  << out.string() << "\" \"$@\"\n";
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const char* path = getenv("PATH");
  std::string saved = path ? path : "";
  setenv("PATH", dir.c_str(), 1);
  pid_t pid = startFile({"notes; rm -rf x.txt", "--ignored params"});
  setenv("PATH", saved.c_str(), 1);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(waitForOutput(out), "notes; rm -rf x.txt\n");
  waitpid(pid, nullptr, 0);
}

TEST_F(ExecFileTest, StartedChildrenAreReaped) {
  Children children;
  pid_t pid = startFile({"true", ""});
  ASSERT_GT(pid, 0);
  children.add(pid);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (children.pending() > 0 && std::chrono::steady_clock::now() < deadline) {
    children.reap();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(children.pending(), 0u);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "already collected";
}

}  // namespace
}  // namespace korva
