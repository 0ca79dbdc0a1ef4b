// The module image linker, with well-formed, truncated and hostile images.
#include <gtest/gtest.h>

#include <cstring>

#include "app/module_list.h"
#include "guest/memory.h"
#include "link/linker.h"
#include "link/registry.h"
#include "support/image_builder.h"
#include "support/programs.h"

namespace korva {
namespace {

using test::ImageBuilder;

uint32_t word(const LinkResult& r, uint32_t off) {
  uint32_t v;
  std::memcpy(&v, guest::ptr<uint8_t>(r.base) + off, 4);
  return v;
}

class Linker : public ::testing::Test {
 protected:
  SymbolTable runtime = runtimeSymbolTable();
  std::vector<LinkResult> linked;
  LinkResult link(const ImageBuilder& b) { return link(b.bytes()); }
  LinkResult link(const std::vector<uint8_t>& bytes) {
    LinkResult r = linkImage(bytes, runtime);
    if (r.status == LinkResult::Ok) linked.push_back(r);
    return r;
  }
  void TearDown() override {
    for (auto& r : linked) guest::free(guest::ptr(r.base));
  }
};

TEST_F(Linker, EmptyImageLinks) {
  ImageBuilder b;
  LinkResult r = link(b);
  EXPECT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(r.size, 0u);
}

TEST_F(Linker, SymbolOffsetsMustLieInsideTheCode) {
  ImageBuilder b;
  b.code.assign(8, 0);
  b.symbols = {{"last", 7}};
  EXPECT_EQ(link(b).status, LinkResult::Ok);
  b.symbols = {{"past", 8}};
  LinkResult r = link(b);
  EXPECT_EQ(r.status, LinkResult::Unusable);
  EXPECT_EQ(r.message(), "Unable to run Korva Basic module");
  EXPECT_EQ(r.exitCode(), -1);
}

TEST_F(Linker, ModuleSymbolsShadowRuntimeSymbols) {
  ASSERT_TRUE(runtime.count("_fend"));
  ImageBuilder b;
  b.code.assign(12, 0);
  b.symbols = {{"_fend", 8}};
  b.absolute = {{"_fend", 0}};
  b.relative = {{"_fend", 4}};
  LinkResult r = link(b);
  ASSERT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(word(r, 0), r.base + 8);
  EXPECT_EQ(word(r, 4), 4u);  // 8 - 4, counted from the field
}

TEST_F(Linker, RelativeFixupToTheNextInstructionIsZero) {
  ImageBuilder b;
  b.code = {0xE8, 0xFC, 0xFF, 0xFF, 0xFF, 0xC3};  // call next ; ret
  b.symbols = {{"next", 5}};
  b.relative = {{"next", 1}};
  LinkResult r = link(b);
  ASSERT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(word(r, 1), 0u);
}

TEST_F(Linker, AbsoluteFixupsKeepTheirAddendAndRepeatedOnesAddAgain) {
  ImageBuilder b;
  b.code = {16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  b.symbols = {{"data", 12}};
  b.absolute = {{"data", 0}, {"data", 4}, {"data", 4}};
  LinkResult r = link(b);
  ASSERT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(word(r, 0), r.base + 12 + 16);
  EXPECT_EQ(word(r, 4), 2 * (r.base + 12));
}

TEST_F(Linker, RuntimeNamesResolveOnlyUnderTheirLinkNames) {
  ImageBuilder b;
  b.code.assign(4, 0);
  b.absolute = {{"_fend", 0}};
  LinkResult r = link(b);
  ASSERT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(word(r, 0), runtime.at("_fend"));

  b.absolute = {{"fend", 0}};
  r = link(b);
  EXPECT_EQ(r.status, LinkResult::MissingSymbol);
  EXPECT_EQ(r.message(), "Can't find symbol: fend");
  EXPECT_EQ(r.exitCode(), 0);

  b.absolute = {{"__vxStrLoad", 0}};
  r = link(b);
  ASSERT_EQ(r.status, LinkResult::Ok);
  EXPECT_EQ(word(r, 0), runtime.at("__vxStrLoad"));
  b.absolute = {{"_vxStrLoad", 0}};
  EXPECT_EQ(link(b).message(), "Can't find symbol: _vxStrLoad");
}

TEST_F(Linker, HostileImagesFailCleanly) {
  ImageBuilder ok;
  ok.code.assign(8, 0);
  auto expectUnusable = [&](std::vector<uint8_t> bytes, const char* what) {
    EXPECT_EQ(linkImage(bytes, runtime).status, LinkResult::Unusable) << what;
  };
  // Code size beyond the data.
  expectUnusable({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}, "huge code size");
  // Huge counts with no entries behind them.
  auto bytes = ok.bytes();
  bytes[12] = 0xFF, bytes[13] = 0xFF, bytes[14] = 0xFF, bytes[15] = 0xFF;
  expectUnusable(bytes, "huge symbol count");
  // A name that runs to the end of the data.
  ImageBuilder b = ok;
  b.symbols = {{"x", 0}};
  bytes = b.bytes();
  bytes.resize(16 + 1);
  expectUnusable(bytes, "unterminated name");
  // Fixup fields that do not fit in the code.
  for (uint32_t off : {5u, 8u, 0xFFFFFFFDu, 0xFFFFFFFFu}) {
    b = ok;
    b.symbols = {{"x", 0}};
    b.absolute = {{"x", off}};
    expectUnusable(b.bytes(), "absolute fixup out of range");
    b.absolute.clear();
    b.relative = {{"x", off}};
    expectUnusable(b.bytes(), "relative fixup out of range");
  }
  // No room for a fixup field at all.
  b = ImageBuilder{};
  b.code.assign(3, 0);
  b.symbols = {{"x", 0}};
  b.absolute = {{"x", 0}};
  expectUnusable(b.bytes(), "code smaller than a field");
}

TEST_F(Linker, EveryTruncationOfARealImageFails) {
  std::vector<uint8_t> image = test::programImage("contract");
  ASSERT_GT(image.size(), 100u);
  // Every name the image needs, so that only the truncation can fail.
  SymbolTable names;
  LinkResult full;
  while ((full = linkImage(image, names)).status != LinkResult::Ok) {
    ASSERT_EQ(full.status, LinkResult::MissingSymbol);
    names[full.symbol] = guest::kHeapBase;
  }
  guest::free(guest::ptr(full.base));
  auto before = guest::allocStats();
  for (size_t cut = 0; cut < image.size(); ++cut) {
    std::vector<uint8_t> part(image.begin(), image.begin() + static_cast<long>(cut));
    LinkResult r = linkImage(part, names);
    ASSERT_EQ(r.status, LinkResult::Unusable) << "cut at " << cut;
  }
  EXPECT_EQ(guest::allocStats().liveBlocks, before.liveBlocks);  // failed links free their block
}

}  // namespace
}  // namespace korva
