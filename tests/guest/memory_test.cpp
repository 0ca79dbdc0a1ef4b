// The guest heap: alignment, reuse, exhaustion and its counters.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "guest/memory.h"
#include "guest/private/runs.h"

namespace korva::guest {
namespace {

TEST(GuestHeap, BlocksAreAlignedInsideGuestMemoryAndCounted) {
  AllocStats before = allocStats();
  std::vector<void*> blocks;
  for (uint32_t size : {1u, 15u, 16u, 17u, 1000u, 32768u, 32769u, 5u << 20}) {
    void* p = alloc(size);
    ASSERT_NE(p, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << size;
    EXPECT_TRUE(inGuest(p, size)) << size;
    EXPECT_GE(addr(p), kHeapBase);
    std::memset(p, 0xAB, size);
    blocks.push_back(p);
  }
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks + blocks.size());
  for (void* p : blocks) free(p);
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks);
  EXPECT_EQ(allocStats().liveBytes, before.liveBytes);
}

TEST(GuestHeap, FreedBlocksComeBackAndZeroedBlocksAreZero) {
  void* a = alloc(100);
  free(a);
  EXPECT_EQ(alloc(100), a);  // the class's free list is reused first
  std::memset(a, 0xFF, 100);
  free(a);
  auto* z = static_cast<uint8_t*>(allocZeroed(100));
  for (int i = 0; i < 100; ++i) ASSERT_EQ(z[i], 0);
  free(z);

  void* big = alloc(1 << 20);
  std::memset(big, 0xFF, 1 << 20);
  free(big);
  auto* again = static_cast<uint8_t*>(allocZeroed(1 << 20));
  EXPECT_EQ(again[12345], 0);
  free(again);
}

TEST(GuestHeap, ExhaustionGivesNullNotACrash) {
  EXPECT_EQ(alloc(kRegionSize), nullptr);
  EXPECT_EQ(alloc(0xFFFFFFFFu), nullptr);
  std::vector<void*> chunks;
  while (void* p = alloc(64u << 20)) chunks.push_back(p);  // reserved, never touched
  EXPECT_GT(chunks.size(), 8u);
  EXPECT_EQ(alloc(64u << 20), nullptr);
  for (void* p : chunks) free(p);
  void* p = alloc(64u << 20);
  EXPECT_NE(p, nullptr);  // the runs came back together
  free(p);
}

// Runs of 10 units: what each step takes (or kNone), starting empty.
TEST(GuestHeap, RunsAreTakenFirstFitAndFreedRunsJoinTheirNeighboursAndTheUnusedTop) {
  struct Step {
    bool take;
    uint32_t first, n;  // give: the run; take: n, and the first unit expected
  };
  constexpr uint32_t kNone = Runs::kNone;
  const std::vector<std::vector<Step>> cases = {
      // A freed run below the never-used units joins them: 4 + 2 free at the top fit 6.
      {{true, 0, 4}, {true, 4, 4}, {false, 4, 4}, {true, 4, 6}, {true, kNone, 1}},
      // Freed neighbours merge both ways and serve a run as long as all three.
      {{true, 0, 3}, {true, 3, 3}, {true, 6, 3}, {false, 0, 3}, {false, 6, 3}, {false, 3, 3}, {true, 0, 10}},
      // First fit: the lowest run long enough, the rest of it stays free.
      {{true, 0, 2}, {true, 2, 5}, {true, 7, 3}, {false, 0, 2}, {false, 2, 5}, {true, 0, 3}, {true, 3, 4},
       {true, kNone, 1}},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    Runs runs(10);
    for (const Step& step : cases[c]) {
      if (step.take) {
        EXPECT_EQ(runs.take(step.n), step.first) << "case " << c << ", taking " << step.n;
      } else {
        runs.give(step.first, step.n);
      }
    }
  }
}

TEST(GuestHeap, ForeignPointersAreIgnoredByFree) {
  AllocStats before = allocStats();
  int local = 0;
  free(&local);
  free(ptr(kStackBase));
  void* block = alloc(48);
  AllocStats holding = allocStats();
  free(static_cast<char*>(block) + 8);  // not the start of a block
  EXPECT_EQ(allocStats().liveBlocks, holding.liveBlocks);
  free(block);
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks);
}

TEST(GuestHeap, WritesIntoFreedBlocksAndDoubleFreesMisleadNothing) {
  AllocStats before = allocStats();
  auto* a = static_cast<uint32_t*>(alloc(32));
  auto* b = static_cast<uint32_t*>(alloc(32));
  free(a);
  free(a);  // a second time: ignored
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks + 1);
  for (int i = 0; i < 8; ++i) a[i] = kGuardBase + 4 * i;  // what a free-list link would be
  auto* c = static_cast<uint32_t*>(alloc(32));
  auto* d = static_cast<uint32_t*>(alloc(32));
  EXPECT_EQ(c, a);
  EXPECT_NE(d, a);
  EXPECT_NE(d, b);
  EXPECT_GE(addr(d), kHeapBase);
  for (void* p : {b, c, d}) free(p);
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks);
  EXPECT_EQ(allocStats().liveBytes, before.liveBytes);
}

TEST(CodeArea, WholeZeroedPagesThatAloneAreExecutable) {
  AllocStats before = allocStats();
  auto* code = static_cast<uint8_t*>(allocCode(5000));
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(addr(code) % kPageSize, 0u);
  EXPECT_GE(addr(code), kCodeBase);
  EXPECT_LE(addr(code) + 2 * kPageSize, kHeapBase);
  for (uint32_t i = 0; i < 2 * kPageSize; ++i) ASSERT_EQ(code[i], 0) << i;
  EXPECT_EQ(allocStats().liveBytes, before.liveBytes + 2 * kPageSize);

  auto a = areas();
  const Area& exec = a[3];
  EXPECT_EQ(exec.access, kRead | kWrite | kExecute);
  EXPECT_LE(exec.base, addr(code));
  EXPECT_GE(exec.base + exec.size, addr(code) + 2 * kPageSize);
  for (size_t i = 0; i < a.size(); ++i) {
    if (i + 1 < a.size()) {
      EXPECT_EQ(a[i].base + a[i].size, a[i + 1].base);  // no gaps
    }
    if (i != 0 && i != 3) {
      EXPECT_FALSE(a[i].access & kExecute) << i;
    }
  }
  EXPECT_EQ(a[0].access, kRead | kExecute);  // the trap area is never writable
  EXPECT_EQ(a[1].access, kNoAccess);         // the stack guard
  EXPECT_EQ(a[4].base + a[4].size, kRegionEnd);

  std::memset(code, 0xCC, 5000);
  free(code + 16);  // not the start: ignored
  free(code);
  free(code);
  EXPECT_EQ(allocStats().liveBlocks, before.liveBlocks);
  auto* again = static_cast<uint8_t*>(allocCode(1));
  EXPECT_EQ(again, code);  // first fit
  EXPECT_EQ(again[0], 0);
  free(again);
}

TEST(GuestPointers, ChecksRejectWhatLiesOutside) {
  EXPECT_TRUE(inGuest(kStackBase, 4));
  EXPECT_FALSE(inGuest(kStackBase - 2, 4));
  EXPECT_FALSE(inGuest(kTrapBase + 64, 4));  // stubs are not data
  EXPECT_TRUE(inRegion(kTrapBase + 64, 4));
  EXPECT_FALSE(inRegion(kGuardBase - 2, 4));
  EXPECT_FALSE(inRegion(kGuardBase, 4));
  EXPECT_FALSE(inRegion(6, 4));
  EXPECT_FALSE(inRegion(kTrapBase - 4, 4));
  EXPECT_TRUE(inGuest(kCodeBase, 4));
  EXPECT_FALSE(inGuest(kGuardBase, 4));
  EXPECT_FALSE(inGuest(0u, 1u));
  EXPECT_FALSE(inGuest(kRegionEnd - 2, 4));
  EXPECT_TRUE(inGuest(kRegionEnd - 4, 4));
  EXPECT_FALSE(inGuest(0xFFFFFFF0u, 0x20));
}

}  // namespace
}  // namespace korva::guest
