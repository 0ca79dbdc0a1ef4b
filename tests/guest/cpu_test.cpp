// The calling contract between guest code and run-time routines, and guest faults.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "app/module_list.h"
#include "guest/memory.h"
#include "core/errors.h"
#include "link/linker.h"
#include "link/registry.h"
#include "support/contract.h"
#include "support/programs.h"

namespace korva {
namespace {

class Contract : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::setExtraSymbols(test::contractSymbols());
    test::contractRecord().clear();
  }
  void TearDown() override { testing::setExtraSymbols({}); }

  test::ProgramRun run(int mode) {
    test::setContractMode(mode);
    return test::runProgram("contract");
  }
};

TEST_F(Contract, IntegerFloatAndPointerArgumentsAndResultsCrossBothWays) {
  auto r = run(0);
  ASSERT_TRUE(r.linked) << r.linkError;
  EXPECT_EQ(r.endedBy, "");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(test::contractRecord(), test::expectedContractRecord());
}

TEST_F(Contract, RoutineErrorsStopTheProgramWithoutCrossingTheEmulator) {
  auto r = run(1);
  EXPECT_EQ(r.endedBy, "boom");
  EXPECT_EQ(r.errors, std::vector<std::string>{"boom"});
  EXPECT_EQ(test::contractRecord().size(), 6u);  // nothing after the raise ran

  r = run(2);
  EXPECT_EQ(r.endedBy, "Out of memory");
  r = run(3);
  EXPECT_EQ(r.endedBy, "Unknown runtime exception");
  EXPECT_EQ(r.errors, std::vector<std::string>{"Unknown runtime exception"});
}

TEST_F(Contract, EndIsQuiet) {
  auto r = run(4);
  EXPECT_EQ(r.endedBy, "");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(test::contractRecord().size(), 6u);
}

TEST(Faults, EachKindGivesItsMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"fault_div0", "Integer divide by zero"},
      {"fault_overflow", "Unknown runtime exception"},
      {"fault_illegal", "Illegal instruction"},
      {"fault_nullptr", "Illegal memory address"},
      {"fault_recursion", "Stack overflow!"},
      {"fault_bigframe", "Stack overflow!"},
  };
  for (auto [program, message] : cases) {
    auto r = test::runProgram(program);
    ASSERT_TRUE(r.linked) << program;
    EXPECT_EQ(r.endedBy, message) << program;
    EXPECT_EQ(r.errors, std::vector<std::string>{message}) << program;
  }
}

TEST(Faults, EngineIsFreshAfterAFault) {
  EXPECT_EQ(test::runProgram("fault_div0").endedBy, "Integer divide by zero");
  testing::setExtraSymbols(test::contractSymbols());
  test::contractRecord().clear();
  test::setContractMode(0);
  auto r = test::runProgram("contract");
  testing::setExtraSymbols({});
  EXPECT_EQ(r.endedBy, "");
  EXPECT_EQ(test::contractRecord().size(), 7u);
}

// Two different programs linked one after the other at the same guest address: the second
// must run as linked, not as the first one's translated code.
TEST(Translation, CodeLinkedIntoReusedMemoryRunsAsLinked) {
  auto image = [](uint8_t value) {
    // mov eax, imm32 ; push eax ; call TestRecord ; add esp, 4 ; ret
    std::vector<uint8_t> code = {0xB8, value, 0, 0, 0, 0x50, 0xE8, 0xFC, 0xFF, 0xFF, 0xFF, 0x83, 0xC4, 0x04, 0xC3};
    std::vector<uint8_t> img;
    auto put = [&](uint32_t v) { for (int i = 0; i < 4; ++i) img.push_back(static_cast<uint8_t>(v >> (8 * i))); };
    put(static_cast<uint32_t>(code.size()));
    img.insert(img.end(), code.begin(), code.end());
    put(0);
    put(1);
    for (char c : std::string("_ftestrecord")) img.push_back(static_cast<uint8_t>(c));
    img.push_back(0);
    put(7);
    put(0);
    return img;
  };
  testing::setExtraSymbols(test::contractSymbols());
  test::contractRecord().clear();
  SymbolTable table = runtimeSymbolTable();
  uint32_t firstBase = 0;
  for (uint8_t v : {11, 22, 33}) {
    LinkResult linked = linkImage(image(v), table);
    ASSERT_EQ(linked.status, LinkResult::Ok);
    if (firstBase) {
      EXPECT_EQ(linked.base, firstBase);  // the freed block comes back
    }
    firstBase = linked.base;
    EXPECT_EQ(test::runEntry(linked.base).endedBy, "");
    guest::free(guest::ptr(linked.base));
  }
  testing::setExtraSymbols({});
  EXPECT_EQ(test::contractRecord(), (std::vector<double>{11, 22, 33}));
}

}  // namespace
}  // namespace korva

namespace korva {
namespace {

TEST(FloatingPoint, ProgramsRunInSinglePrecisionWithExceptionsMasked) {
  testing::setExtraSymbols(test::contractSymbols());
  test::contractRecord().clear();
  auto r = test::runProgram("fpcw");
  testing::setExtraSymbols({});
  EXPECT_EQ(r.endedBy, "");
  ASSERT_EQ(test::contractRecord().size(), 2u);
  int cw = static_cast<int>(test::contractRecord()[0]);
  EXPECT_EQ(cw & 0x3F, 0x3F);   // all exceptions masked
  EXPECT_EQ(cw & 0x300, 0);     // 24-bit precision
  EXPECT_EQ(cw & 0xC00, 0);     // round to nearest
  EXPECT_EQ(test::contractRecord()[1], 1.0);
}

}  // namespace
}  // namespace korva
