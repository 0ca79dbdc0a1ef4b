// Where images come from: a file, a Windows executable's resource, or the executable itself.
#include <gtest/gtest.h>

#include <fstream>

#include "app/module_list.h"
#include "link/image_source.h"
#include "link/program_file.h"
#include "link/registry.h"
#include "support/contract.h"
#include "support/process.h"
#include "support/programs.h"

namespace korva {
namespace {

std::vector<double> runContract(const std::vector<uint8_t>& image) {
  testing::setExtraSymbols(test::contractSymbols());
  test::contractRecord().clear();
  test::setContractMode(0);
  auto r = test::runImage(image);
  testing::setExtraSymbols({});
  EXPECT_TRUE(r.linked) << r.linkError;
  return test::contractRecord();
}

TEST(Containers, SameProgramFromFileResourceAndTrailerGivesTheSameResult) {
  std::vector<uint8_t> raw = test::programImage("contract");
  ProgramFile fromFile = readProgramFile(test::programPath("contract"));
  ASSERT_TRUE(fromFile.ok()) << fromFile.problem;
  EXPECT_EQ(fromFile.image, raw);

  ProgramFile fromPe = readProgramFile(test::programPath("contract", ".exe"));
  ASSERT_TRUE(fromPe.ok()) << fromPe.problem;
  EXPECT_EQ(fromPe.image, raw);

  std::string bundled = test::tempDir() + "/contract-standalone";
  ASSERT_EQ(bundle(test::buildDir() + "/korva", raw, bundled), "");
  auto carried = carriedImage(bundled);
  ASSERT_TRUE(carried);
  EXPECT_EQ(*carried, raw);

  auto expected = test::expectedContractRecord();
  EXPECT_EQ(runContract(fromFile.image), expected);
  EXPECT_EQ(runContract(fromPe.image), expected);
  EXPECT_EQ(runContract(*carried), expected);
}

TEST(Containers, BundlingABundleReplacesItsImage) {
  std::string first = test::tempDir() + "/first", second = test::tempDir() + "/second";
  std::vector<uint8_t> a = {1, 2, 3}, b = {4, 5, 6, 7};
  ASSERT_EQ(bundle(test::buildDir() + "/korva", a, first), "");
  ASSERT_EQ(bundle(first, b, second), "");
  EXPECT_EQ(*carriedImage(second), b);
  EXPECT_FALSE(carriedImage(test::buildDir() + "/korva"));
}

TEST(Containers, MalformedWindowsExecutablesYieldNothing) {
  std::ifstream f(test::programPath("contract", ".exe"), std::ios::binary);
  std::vector<uint8_t> pe(std::istreambuf_iterator<char>(f), {});
  ASSERT_GT(pe.size(), 512u);
  for (size_t cut = 0; cut < pe.size(); cut += 7) {
    std::vector<uint8_t> part(pe.begin(), pe.begin() + static_cast<long>(cut));
    auto res = peResource(part, 10, 1111);
    if (res) {
      EXPECT_GE(res->data(), part.data());
      EXPECT_LE(res->data() + res->size(), part.data() + part.size());
    }
  }
  // Flipped bytes anywhere in the headers and the resource directory.
  for (size_t i = 0; i < pe.size(); i += 3) {
    std::vector<uint8_t> bad = pe;
    bad[i] ^= 0xFF;
    auto res = peResource(bad, 10, 1111);
    if (res) {
      EXPECT_LE(res->data() + res->size(), bad.data() + bad.size());
    }
  }
  EXPECT_FALSE(peResource(pe, 10, 1112));
}

}  // namespace
}  // namespace korva
