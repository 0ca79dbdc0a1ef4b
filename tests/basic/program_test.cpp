#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "basic/internal.h"
#include "basic_test.h"
#include "support/programs.h"

namespace korva::test {
namespace {

using namespace basic;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The guest address on a "string@" line: eight upper-case hexadecimal digits; 0 otherwise.
uint32_t stringLine(const std::string& l) {
  const std::string prefix = "string@";
  if (l.size() != prefix.size() + 8 || l.compare(0, prefix.size(), prefix) != 0) return 0;
  for (char c : l.substr(prefix.size()))
    if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return 0;
  return static_cast<uint32_t>(std::stoul(l.substr(prefix.size()), nullptr, 16));
}

TEST(BasicProgram, WorkloadOfACompiledProgram) {
  for (int run = 0; run < 2; ++run) {  // the same image twice: nothing carries over
    ::testing::internal::CaptureStdout();
    ProgramRun r = runProgram("basic_workload");
    std::string out = ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(r.linked) << r.linkError;
    EXPECT_EQ(r.endedBy, "") << "run " << run;
    EXPECT_TRUE(r.errors.empty());
    std::vector<std::string> l = lines(out);
    ASSERT_EQ(l.size(), 3u + 9 + 3 + 1) << out;
    EXPECT_EQ(l[0], "Active strings:9");
    EXPECT_EQ(l[1], "Active objects:3");
    EXPECT_EQ(l[2], "Unreleased Objects:5");
    for (int i = 3; i < 12; ++i) EXPECT_TRUE(guest::inGuest(stringLine(l[i]), 64)) << l[i];
    EXPECT_EQ(l[12], "Active strings:1");
    EXPECT_EQ(l[13], "Active objects:0");
    EXPECT_EQ(l[14], "Unreleased Objects:0");
    EXPECT_TRUE(guest::inGuest(stringLine(l[15]), 64)) << l[15];
    EXPECT_EQ(liveStringCount(), 0u);
    EXPECT_EQ(existingObjectCount(), 0u);
    EXPECT_EQ(liveBlockCount(), 0u);
  }
}

TEST(BasicProgram, NegativeFloatsFromOneMillionUpPrintWhole) {
  ProgramRun r = runProgram("basic_float_text");
  ASSERT_TRUE(r.linked) << r.linkError;
  EXPECT_EQ(r.endedBy, "");
  const std::vector<std::string> expect = {
      "-1000000.", "-2000000.",  "1000000.000000", "-0.5",         "score -1000000.",
      "[-2000000.]", "-1234567.", "-9999999.",     "999999.937500"};
  EXPECT_EQ(r.logs, expect);
}

class BasicLifecycle : public BasicTest {};

TEST_F(BasicLifecycle, MillionStringsAndObjectsLeaveNothingBehind) {
  basic_destroy();
  const guest::AllocStats before = guest::allocStats();
  ASSERT_TRUE(basic_create());
  UserType* t = makeType({strType(), 0, guest::addr(makeVector(3, strType()))});
  uint32_t* keep = var();
  const guest::AllocStats withType = guest::allocStats();
  std::string longText(100, 'L');
  for (int i = 0; i < 1000000; ++i) {
    vxStr* s = vxStrNew(i % 7 ? std::string_view("short") : std::string_view(longText));
    ObjHeader* o = ObjNew(t);
    StrStore(&fields(o)[0], s);
    guest::ptr<uint32_t>(fields(o)[2])[1] = guest::addr(StrFromInt(i));
    ObjStore(&fields(o)[1], guest::ptr<ObjHeader>(*keep));
    if (i % 1000 == 0)
      ObjStore(keep, o);  // a chain of held objects, some deleted below
    if (i % 3) ObjDelete(o);
  }
  EXPECT_GT(liveStringCount(), 0u);
  EXPECT_GT(existingObjectCount(), 0u);
  basic_destroy();
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_EQ(existingObjectCount(), 0u);
  EXPECT_EQ(unreleasedObjectCount(), 0u);
  EXPECT_EQ(liveBlockCount(), 0u);
  const guest::AllocStats after = guest::allocStats();
  EXPECT_EQ(after.liveBlocks, withType.liveBlocks);
  EXPECT_EQ(after.liveBytes, withType.liveBytes);
  EXPECT_GE(after.liveBlocks, before.liveBlocks);
  ASSERT_TRUE(basic_create());
}

TEST(BasicRegistry, SymbolsInRegistrationOrder) {
  const char* expect[] = {
      "_vxIntType", "_vxFltType", "_vxStrType", "_vxCStrType", "_vxStrLoad", "_vxStrRelease",
      "_vxStrStore", "_vxStrCompare", "_vxStrConcat", "_vxStrToInt", "_vxStrFromInt",
      "_vxStrToFloat", "_vxStrFromFloat", "_vxStrConst", "_vxDimArray", "_vxUndimArray",
      "_vxArrayBoundsEx", "_vxVecAlloc", "_vxVecFree", "_vxVecBoundsEx", "_vxObjNew",
      "_vxObjDelete", "_vxObjDeleteEach", "_vxObjRelease", "_vxObjStore", "_vxObjCompare",
      "_vxObjNext", "_vxObjPrev", "_vxObjFirst", "_vxObjLast", "_vxObjInsBefore",
      "_vxObjInsAfter", "_vxObjEachFirst", "_vxObjEachNext", "_vxObjToStr", "_vxObjToHandle",
      "_vxObjFromHandle", "_vxNullObjEx", "_vxRestore", "_vxReadInt", "_vxReadFloat",
      "_vxReadStr", "_vxAbs", "_vxSgn", "_vxMod", "_vxFAbs", "_vxFSgn", "_vxFMod", "_vxFPow",
      "RuntimeStats"};
  auto symbols = basic_module().symbols;
  ASSERT_EQ(symbols.size(), std::size(expect));
  for (size_t i = 0; i < symbols.size(); ++i) EXPECT_STREQ(symbols[i].decl, expect[i]);
  // The built-in descriptors hold their type codes once the module exists.
  ASSERT_TRUE(basic_create());
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(*guest::ptr<uint32_t>(symbols[i].address()), i + 1);
  basic_destroy();
}

}  // namespace
}  // namespace korva::test
