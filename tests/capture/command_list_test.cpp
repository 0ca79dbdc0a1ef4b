// korva --list-commands against the registry, and the generated command reference.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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

}  // namespace
}  // namespace korva
