// korva --list-commands against the registry, and the generated command reference.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/module_list.h"
#include "app/cli/command_list.h"
#include "link/registry.h"
#include "support/process.h"

namespace korva {
namespace {

std::vector<std::string>* g_registered = nullptr;

std::vector<std::string> registered() {
  std::vector<std::string> all;
  g_registered = &all;
  registerAll([](const char* decl, uint32_t) { g_registered->push_back(decl); });
  g_registered = nullptr;
  return all;
}

TEST(ListCommands, PrintsEveryRegisteredDeclarationInOrder) {
  auto r = test::runCommand(test::buildDir() + "/korva --list-commands");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  std::string expected;
  auto all = registered();
  for (const std::string& d : all) expected += d + "\n";
  EXPECT_EQ(r.output, expected);
  EXPECT_GT(all.size(), 250u);
  EXPECT_EQ(all.front(), "_vxIntType");
  EXPECT_EQ(all.back(), "_vxDebugLeave");
}

TEST(ListCommands, TheCommandReferenceIsCurrent) {
  std::ifstream doc(KORVA_SOURCE_DIR "/docs/commands.md", std::ios::binary);
  ASSERT_TRUE(doc) << "docs/commands.md is missing";
  std::string text(std::istreambuf_iterator<char>(doc), {});
  EXPECT_TRUE(text == commandListMarkdown())
      << "docs/commands.md is out of date: run build/korva --list-commands=markdown > docs/commands.md";
  auto r = test::runCommand(test::buildDir() + "/korva --list-commands=markdown");
  EXPECT_EQ(r.output, commandListMarkdown());
}

// Test programs, benchmarks and the demo game declare the run-time's routines through
// this header: it must say what the registry says.
TEST(ListCommands, TheGuestPrototypesAreCurrent) {
  std::ifstream header(KORVA_SOURCE_DIR "/include/korva/guest/commands.h", std::ios::binary);
  ASSERT_TRUE(header) << "include/korva/guest/commands.h is missing";
  std::string text(std::istreambuf_iterator<char>(header), {});
  EXPECT_TRUE(text == commandListC())
      << "include/korva/guest/commands.h is out of date: run build/korva --list-commands=c > "
         "include/korva/guest/commands.h";
  auto r = test::runCommand(test::buildDir() + "/korva --list-commands=c");
  EXPECT_EQ(r.output, commandListC());
  // Every routine is declared once, with its parameters named as the language names them.
  EXPECT_NE(text.find("void _fdrawimage(int image, int x, int y, int frame); /* frame = 0 */\n"), std::string::npos);
  EXPECT_NE(text.find("void _fwriteint(int stream, int int_);\n"), std::string::npos);
  EXPECT_NE(text.find("float _fjoyx(int port); /* port = 0 */\n"), std::string::npos);
  EXPECT_NE(text.find("void _fend(void) __attribute__((noreturn));\n"), std::string::npos);
  EXPECT_NE(text.find("extern int __vxIntType;\n"), std::string::npos);
}

}  // namespace
}  // namespace korva
