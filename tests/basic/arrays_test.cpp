#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "basic/internal.h"
#include "basic_test.h"

namespace korva::test {
namespace {

using namespace basic;

class Arrays : public BasicTest {
 protected:
  // An array descriptor holding the highest indices asked for.
  ArrayDesc* makeArray(uint32_t elemType, std::initializer_list<int32_t> highest) {
    auto* a = guestWords<ArrayDesc>(3 + highest.size());
    *a = {0, elemType, static_cast<uint32_t>(highest.size())};
    auto* slot = dims(a);
    for (int32_t h : highest) *slot++ = static_cast<uint32_t>(h);
    return a;
  }
  static uint32_t* dims(ArrayDesc* a) { return reinterpret_cast<uint32_t*>(a + 1); }
  static uint32_t* elems(ArrayDesc* a) { return guest::ptr<uint32_t>(a->storage); }
};

TEST_F(Arrays, DimConvertsSlotsToRunningCountsAndZeroes) {
  ArrayDesc* a = makeArray(kIntType, {7, 3, 100});
  DimArray(a);
  EXPECT_EQ(dims(a)[0], 8u);
  EXPECT_EQ(dims(a)[1], 32u);
  EXPECT_EQ(dims(a)[2], 3232u);
  ASSERT_NE(a->storage, 0u);
  for (uint32_t i = 0; i < 3232; ++i) ASSERT_EQ(elems(a)[i], 0u) << i;
  UndimArray(a);
  EXPECT_EQ(a->storage, 0u);

  ArrayDesc* none = makeArray(kIntType, {-1});  // no elements, but dimensioned
  DimArray(none);
  EXPECT_EQ(dims(none)[0], 0u);
  EXPECT_NE(none->storage, 0u);
}

// Resident memory of the process in MiB.
uint64_t residentMiB() {
  unsigned long long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%llu %llu", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4096 / (1 << 20);
}

TEST_F(Arrays, HugeStorageCostsMemoryOnlyWhereItIsWritten) {
  const uint64_t before = residentMiB();
  ArrayDesc* a = makeArray(kIntType, {100'000'000});  // 400 MB
  DimArray(a);
  uint32_t* vec = VecAlloc(makeVector(50'000'000, kIntType));  // 200 MB
  EXPECT_LT(residentMiB(), before + 32) << "zeroed storage is not written before use";
  EXPECT_EQ(elems(a)[99'999'999], 0u);
  EXPECT_EQ(vec[49'999'999], 0u);
  elems(a)[12345] = 7;
  UndimArray(a);
  ArrayDesc* again = makeArray(kIntType, {100'000'000});
  DimArray(again);  // most likely on the same pages, which read as zero again
  EXPECT_EQ(elems(again)[12345], 0u);
}

TEST_F(Arrays, DimThatCannotBeHeldRaisesOutOfMemoryAndChangesNothing) {
  const int32_t cases[][2] = {{65535, 65535}, {65535, 65534}, {-2, 0}, {2147483647, 1}};
  for (auto [h0, h1] : cases) {
    ArrayDesc* a = makeArray(kIntType, {h0, h1});
    EXPECT_EQ(errorOf([&] { DimArray(a); }), "Out of memory") << h0 << "," << h1;
    EXPECT_EQ(a->storage, 0u);
    EXPECT_EQ(dims(a)[0], static_cast<uint32_t>(h0));
    EXPECT_EQ(dims(a)[1], static_cast<uint32_t>(h1));
  }
  EXPECT_EQ(errorOf([&] { VecAlloc(makeVector(0x40000001, kIntType)); }), "Out of memory");
  // Records of a million fields each: the type's 512-record block is bigger than guest memory.
  auto* wide = guestWords<UserType>(12 + 1000000);
  *wide = *makeType({});
  wide->fieldCount = 1000000;
  std::fill_n(reinterpret_cast<uint32_t*>(wide + 1), 1000000, intType());
  EXPECT_EQ(errorOf([&] { ObjNew(wide); }), "Out of memory");
  EXPECT_EQ(existingObjectCount(), 0u);
}

TEST_F(Arrays, UndimReleasesElementsOnce) {
  ArrayDesc* s = makeArray(kStringType, {3, 1});
  DimArray(s);
  elems(s)[0] = guest::addr(vxStrNew("a"));
  elems(s)[7] = guest::addr(vxStrNew("b"));
  EXPECT_EQ(liveStringCount(), 2u);
  UndimArray(s);
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_EQ(s->storage, 0u);
  UndimArray(s);
  EXPECT_EQ(s->storage, 0u);

  UserType* t = makeType({});
  ArrayDesc* o = makeArray(kUserType, {2});
  DimArray(o);
  ObjStore(&elems(o)[1], ObjNew(t));
  ObjDelete(guest::ptr<ObjHeader>(elems(o)[1]));
  EXPECT_EQ(unreleasedObjectCount(), 1u);
  UndimArray(o);
  EXPECT_EQ(unreleasedObjectCount(), 0u);

  // Storage this module did not hand out (say, from an earlier run) is never freed.
  ArrayDesc* stale = makeArray(kIntType, {0});
  stale->storage = guest::addr(guestWords(4));
  auto before = guest::allocStats().liveBlocks;
  UndimArray(stale);
  EXPECT_EQ(stale->storage, 0u);
  EXPECT_EQ(guest::allocStats().liveBlocks, before);
}

TEST_F(Arrays, VectorsAllocZeroedAndFreeTheirElements) {
  VecType* v = makeVector(5, strType());
  uint32_t* e = VecAlloc(v);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(e[i], 0u);
  for (int i = 0; i < 5; ++i) e[i] = guest::addr(vxStrNew("x"));
  size_t blocks = liveBlockCount();
  VecFree(e, v);
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_EQ(liveBlockCount(), blocks - 1);
  VecFree(nullptr, v);
  EXPECT_EQ(errorOf([] { VecBoundsEx(); }), "Korva array index out of bounds");
  EXPECT_EQ(errorOf([] { ArrayBoundsEx(); }), "Array index out of bounds");
}

TEST_F(Arrays, DataConversionsAndErrors) {
  auto* text = guestWords<char>(4);
  std::strcpy(text, "1.5");
  auto* nine = guestWords<char>(4);
  std::strcpy(nine, " 9x");
  auto f = [](float x) { return std::bit_cast<uint32_t>(x); };
  auto* d = guestWords<DataRecord>(2 * 16);
  DataRecord records[] = {
      {1, 255},       {1, 255},         {1, static_cast<uint32_t>(-3)},
      {2, f(2.9f)},   {2, f(-2.9f)},    {2, f(0.5f)},    {2, f(0.5f)},
      {4, guest::addr(text)}, {4, guest::addr(nine)}, {4, guest::addr(text)},
      {2, f(5e9f)},   {2, f(1e20f)},    {2, f(NAN)},
      {7, 0},         {0, 0},
  };
  std::memcpy(d, records, sizeof records);
  Restore(d);
  EXPECT_EQ(ReadInt(), 255);
  EXPECT_EQ(take(ReadStr()), "255");
  EXPECT_EQ(ReadFloat(), -3.f);
  EXPECT_EQ(ReadInt(), 2);
  EXPECT_EQ(ReadInt(), -2);
  EXPECT_EQ(take(ReadStr()), "0.500000");
  EXPECT_EQ(ReadFloat(), 0.5f);
  EXPECT_EQ(ReadFloat(), 1.5f);
  EXPECT_EQ(ReadInt(), 9);
  EXPECT_EQ(take(ReadStr()), "1.5");
  EXPECT_EQ(ReadInt(), 705032704);  // low half of 5000000000
  EXPECT_EQ(ReadInt(), 0);          // beyond 64 bits: the processor's indefinite value
  EXPECT_EQ(ReadInt(), 0);
  EXPECT_EQ(errorOf([] { ReadInt(); }), "Bad data type");
  EXPECT_EQ(errorOf([] { ReadStr(); }), "Bad data type");  // the cursor stayed
  Restore(d + 14);
  EXPECT_EQ(errorOf([] { ReadFloat(); }), "Out of data");
  EXPECT_EQ(errorOf([] { ReadInt(); }), "Out of data");
  EXPECT_EQ(liveStringCount(), 0u);

  Restore(static_cast<DataRecord*>(outsideGuest()));
  EXPECT_EQ(errorOf([] { ReadInt(); }), "Illegal memory address");
  d[0] = {4, 0x1000};
  Restore(d);
  EXPECT_EQ(errorOf([] { ReadStr(); }), "Illegal memory address");
}

TEST(Arithmetic, IntegerHelpers) {
  EXPECT_EQ(Abs(-5), 5);
  EXPECT_EQ(Abs(INT32_MIN), INT32_MIN);
  EXPECT_EQ(Sgn(7), 1);
  EXPECT_EQ(Sgn(0), 0);
  EXPECT_EQ(Sgn(INT32_MIN), -1);
  EXPECT_EQ(Mod(-7, 3), -1);
  EXPECT_EQ(Mod(7, -3), 1);
  EXPECT_EQ(Mod(INT32_MIN, 1), 0);
  EXPECT_EQ(Mod(5, -1), 0);
  EXPECT_EQ(errorOf([] { Mod(1, 0); }), "Integer divide by zero");
  EXPECT_EQ(errorOf([] { Mod(INT32_MIN, -1); }), "Unknown runtime exception");
}

TEST(Arithmetic, FloatHelpers) {
  EXPECT_EQ(FAbs(-2.5f), 2.5f);
  EXPECT_EQ(FSgn(3.f), 1.f);
  EXPECT_EQ(FSgn(-3.f), -1.f);
  EXPECT_EQ(FSgn(NAN), -1.f);
  EXPECT_EQ(FSgn(-0.f), 0.f);
  EXPECT_FALSE(std::signbit(FSgn(-0.f)));
  EXPECT_EQ(FMod(-7.5f, 2.f), -1.5f);
  EXPECT_EQ(FMod(7.5f, -2.f), 1.5f);
  EXPECT_TRUE(std::isnan(FMod(1.f, 0.f)));
  EXPECT_EQ(FPow(2.f, 10.f), 1024.f);
  EXPECT_EQ(FPow(10.f, 50.f), INFINITY);
  EXPECT_EQ(FPow(4.f, 0.5f), 2.f);
}

}  // namespace
}  // namespace korva::test
