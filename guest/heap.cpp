// The guest heap and the code area. Every free list, size and in-use mark lives here on the
// host side: a program that writes into a freed block, or hands back a block twice, can
// spoil its own data but never the allocator.
#include <sys/mman.h>

#include <cstring>
#include <memory>
#include <vector>

#include "guest/memory.h"
#include "guest/private/heap.h"
#include "guest/private/runs.h"

namespace korva::guest {
namespace {

// The heap is cut into 64 KiB spans. A span serves one small size class, or belongs to a
// run of spans that holds one large block; so freeing needs no block header.
constexpr uint32_t kSpanShift = 16;
constexpr uint32_t kSpanSize = 1u << kSpanShift;
constexpr uint32_t kSpanCount = (kRegionEnd - kHeapBase) >> kSpanShift;
constexpr uint32_t kCodePages = kCodeSize / kPageSize;

constexpr uint32_t kClassSizes[] = {
    16,    32,    48,    64,    80,    96,    112,   128,   160,   192,   224,   256,   320,  384,
    448,   512,   640,   768,   896,   1024,  1280,  1536,  1792,  2048,  2560,  3072,  3584, 4096,
    5120,  6144,  7168,  8192,  10240, 12288, 14336, 16384, 20480, 24576, 28672, 32768};
constexpr int kClassCount = sizeof(kClassSizes) / sizeof(kClassSizes[0]);
constexpr uint32_t kMaxSmall = 32768;
constexpr uint8_t kSpanFree = 0;
constexpr uint8_t kSpanLarge = 0xFF;
constexpr uint8_t kSpanLargeTail = 0xFE;

// One bit per 16-byte unit of a small-class span: set while the block starting there is
// handed out.
struct InUse {
  uint64_t words[kSpanSize / 16 / 64] = {};
  bool test(uint32_t i) const { return words[i >> 6] >> (i & 63) & 1; }
  void set(uint32_t i) { words[i >> 6] |= uint64_t(1) << (i & 63); }
  void clear(uint32_t i) { words[i >> 6] &= ~(uint64_t(1) << (i & 63)); }
};

struct Heap {
  uint8_t spanClass[kSpanCount] = {};
  uint32_t spanRun[kSpanCount] = {};  // run length at the first span of a large block
  std::unique_ptr<InUse> inUse[kSpanCount];
  std::vector<uint32_t> freeBlocks[kClassCount + 1];  // most recently freed last
  uint32_t carve[kClassCount + 1] = {};                // next uncarved byte of the class's newest span
  uint32_t carveEnd[kClassCount + 1] = {};
  uint8_t smallClass[kMaxSmall / 16 + 1] = {};  // (size + 15) / 16 -> class index (1-based)
  Runs spans{kSpanCount};
  Runs codePages{kCodePages};
  uint32_t codeRun[kCodePages] = {};  // pages of the code block starting at a page, 0 if none
  AllocStats stats{};

  Heap() {
    int c = 0;
    for (uint32_t units = 0; units <= kMaxSmall / 16; ++units) {
      while (kClassSizes[c] < units * 16) ++c;
      smallClass[units] = static_cast<uint8_t>(c + 1);
    }
  }

  static uint32_t spanAddr(uint32_t span) { return kHeapBase + (span << kSpanShift); }

  void* allocSmall(int c) {
    uint32_t size = kClassSizes[c - 1];
    uint32_t block;
    if (!freeBlocks[c].empty()) {
      block = freeBlocks[c].back();
      freeBlocks[c].pop_back();
    } else {
      if (carveEnd[c] - carve[c] < size) {
        uint32_t span = spans.take(1);
        if (span == Runs::kNone) return nullptr;
        spanClass[span] = static_cast<uint8_t>(c);
        if (!inUse[span]) inUse[span] = std::make_unique<InUse>();
        carve[c] = spanAddr(span);
        carveEnd[c] = carve[c] + kSpanSize;
      }
      block = carve[c];
      carve[c] += size;
    }
    uint32_t span = (block - kHeapBase) >> kSpanShift;
    inUse[span]->set((block - spanAddr(span)) / 16);
    stats.liveBlocks++;
    stats.liveBytes += size;
    return ptr(block);
  }

  void* allocLarge(uint32_t size) {
    uint32_t n = (size + kSpanSize - 1) >> kSpanShift;
    uint32_t first = spans.take(n);
    if (first == Runs::kNone) return nullptr;
    spanClass[first] = kSpanLarge;
    for (uint32_t i = 1; i < n; ++i) spanClass[first + i] = kSpanLargeTail;
    spanRun[first] = n;
    stats.liveBlocks++;
    stats.liveBytes += uint64_t(n) << kSpanShift;
    return ptr(spanAddr(first));
  }

  void* allocCode(uint32_t size) {
    uint32_t n = size ? (size - 1) / kPageSize + 1 : 1;
    uint32_t first = codePages.take(n);
    if (first == Runs::kNone) return nullptr;
    codeRun[first] = n;
    stats.liveBlocks++;
    stats.liveBytes += uint64_t(n) * kPageSize;
    return ptr(kCodeBase + first * kPageSize);
  }

  void releaseHeap(uint32_t a) {
    uint32_t span = (a - kHeapBase) >> kSpanShift;
    uint8_t c = spanClass[span];
    if (c == kSpanLarge) {
      if (a != spanAddr(span)) return;
      uint32_t n = spanRun[span];
      stats.liveBlocks--;
      stats.liveBytes -= uint64_t(n) << kSpanShift;
      // Large blocks (arrays, banks of data) give their pages back to the system.
      madvise(ptr(a), size_t(n) << kSpanShift, MADV_DONTNEED);
      for (uint32_t i = 0; i < n; ++i) spanClass[span + i] = kSpanFree;
      spans.give(span, n);
    } else if (c != kSpanFree && c != kSpanLargeTail) {
      uint32_t offset = a - spanAddr(span);
      if (offset % kClassSizes[c - 1] != 0) return;  // not a block start
      uint32_t unit = offset / 16;
      if (!inUse[span]->test(unit)) return;  // free already, or never carved
      inUse[span]->clear(unit);
      freeBlocks[c].push_back(a);
      stats.liveBlocks--;
      stats.liveBytes -= kClassSizes[c - 1];
    }
  }

  void releaseCode(uint32_t a) {
    if ((a - kCodeBase) % kPageSize != 0) return;
    uint32_t first = (a - kCodeBase) / kPageSize;
    uint32_t n = codeRun[first];
    if (!n) return;
    codeRun[first] = 0;
    stats.liveBlocks--;
    stats.liveBytes -= uint64_t(n) * kPageSize;
    madvise(ptr(a), size_t(n) * kPageSize, MADV_DONTNEED);  // the next user finds zeros
    codePages.give(first, n);
  }
};

Heap& heap() {
  static Heap* h = [] {
    reserve();
    return new Heap();
  }();
  return *h;
}

}  // namespace

void* alloc(uint32_t size) {
  Heap& h = heap();
  if (size == 0) size = 1;
  if (size <= kMaxSmall) return h.allocSmall(h.smallClass[(size + 15) / 16]);
  if (size > kRegionSize) return nullptr;
  return h.allocLarge(size);
}

void* allocZeroed(uint32_t size) {
  void* p = alloc(size);
  // A large block's pages are fresh or were given back on free, so they read as zeros;
  // writing them would only make a huge block cost memory before the program uses it.
  if (p && size <= kMaxSmall) std::memset(p, 0, size);
  return p;
}

void* allocCode(uint32_t size) { return heap().allocCode(size); }

void free(void* p) {
  uintptr_t a = reinterpret_cast<uintptr_t>(p);
  if (a < kCodeBase || a >= kRegionEnd) return;
  if (a < kHeapBase)
    heap().releaseCode(static_cast<uint32_t>(a));
  else
    heap().releaseHeap(static_cast<uint32_t>(a));
}

AllocStats allocStats() { return heap().stats; }

uint32_t codeInUseEnd() { return kCodeBase + heap().codePages.highWater() * kPageSize; }

UsedMemory usedMemory() { return {codeInUseEnd(), kHeapBase + (heap().spans.highWater() << kSpanShift)}; }

}  // namespace korva::guest
