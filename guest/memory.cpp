#include "guest/memory.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "host/errors.h"

namespace korva::guest {
namespace {

// The heap is cut into 64 KiB spans. A span serves one small size class, or belongs to a
// run of spans that holds one large block; so freeing needs no block header.
constexpr uint32_t kSpanShift = 16;
constexpr uint32_t kSpanSize = 1u << kSpanShift;
constexpr uint32_t kSpanCount = (kRegionEnd - kHeapBase) >> kSpanShift;

constexpr uint32_t kClassSizes[] = {
    16,    32,    48,    64,    80,    96,    112,   128,   160,   192,   224,   256,   320,  384,
    448,   512,   640,   768,   896,   1024,  1280,  1536,  1792,  2048,  2560,  3072,  3584, 4096,
    5120,  6144,  7168,  8192,  10240, 12288, 14336, 16384, 20480, 24576, 28672, 32768};
constexpr int kClassCount = sizeof(kClassSizes) / sizeof(kClassSizes[0]);
constexpr uint32_t kMaxSmall = 32768;
constexpr uint8_t kSpanFree = 0;
constexpr uint8_t kSpanLarge = 0xFF;
constexpr uint8_t kSpanLargeTail = 0xFE;

struct Heap {
  uint8_t spanClass[kSpanCount] = {};
  uint32_t spanRun[kSpanCount] = {};  // run length at the first span of a large block
  uint32_t freeList[kClassCount + 1] = {};  // guest address of the first free block, 0 if none
  uint32_t carve[kClassCount + 1] = {};     // next uncarved byte of the class's newest span
  uint32_t carveEnd[kClassCount + 1] = {};
  uint8_t smallClass[kMaxSmall / 16 + 1] = {};  // (size + 15) / 16 -> class index (1-based)
  std::map<uint32_t, uint32_t> freeRuns;        // first span -> length, coalesced
  uint32_t nextSpan = 0;                        // spans at and above are untouched
  AllocStats stats{};

  Heap() {
    int c = 0;
    for (uint32_t units = 0; units <= kMaxSmall / 16; ++units) {
      while (kClassSizes[c] < units * 16) ++c;
      smallClass[units] = static_cast<uint8_t>(c + 1);
    }
  }

  uint32_t takeSpans(uint32_t n) {
    for (auto it = freeRuns.begin(); it != freeRuns.end(); ++it) {
      if (it->second < n) continue;
      uint32_t first = it->first, len = it->second;
      freeRuns.erase(it);
      if (len > n) freeRuns.emplace(first + n, len - n);
      return first;
    }
    if (n > kSpanCount - nextSpan) return UINT32_MAX;
    uint32_t first = nextSpan;
    nextSpan += n;
    return first;
  }

  void giveSpans(uint32_t first, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) spanClass[first + i] = kSpanFree;
    auto next = freeRuns.lower_bound(first);
    if (next != freeRuns.end() && next->first == first + n) {
      n += next->second;
      next = freeRuns.erase(next);
    }
    if (next != freeRuns.begin()) {
      auto prev = std::prev(next);
      if (prev->first + prev->second == first) {
        prev->second += n;
        return;
      }
    }
    freeRuns.emplace(first, n);
  }

  static uint32_t spanAddr(uint32_t span) { return kHeapBase + (span << kSpanShift); }

  void* allocSmall(int c) {
    uint32_t size = kClassSizes[c - 1];
    uint32_t block = freeList[c];
    if (block) {
      freeList[c] = *ptr<uint32_t>(block);
    } else {
      if (carveEnd[c] - carve[c] < size) {
        uint32_t span = takeSpans(1);
        if (span == UINT32_MAX) return nullptr;
        spanClass[span] = static_cast<uint8_t>(c);
        carve[c] = spanAddr(span);
        carveEnd[c] = carve[c] + kSpanSize;
      }
      block = carve[c];
      carve[c] += size;
    }
    stats.liveBlocks++;
    stats.liveBytes += size;
    return ptr(block);
  }

  void* allocLarge(uint32_t size) {
    uint32_t n = (size + kSpanSize - 1) >> kSpanShift;
    uint32_t first = takeSpans(n);
    if (first == UINT32_MAX) return nullptr;
    spanClass[first] = kSpanLarge;
    for (uint32_t i = 1; i < n; ++i) spanClass[first + i] = kSpanLargeTail;
    spanRun[first] = n;
    stats.liveBlocks++;
    stats.liveBytes += uint64_t(n) << kSpanShift;
    return ptr(spanAddr(first));
  }

  void release(void* p) {
    uint32_t a = addr(p);
    if (reinterpret_cast<uintptr_t>(p) >= kRegionEnd || a < kHeapBase) return;
    uint32_t span = (a - kHeapBase) >> kSpanShift;
    uint8_t c = spanClass[span];
    if (c == kSpanLarge) {
      if (a != spanAddr(span)) return;
      uint32_t n = spanRun[span];
      stats.liveBlocks--;
      stats.liveBytes -= uint64_t(n) << kSpanShift;
      // Large blocks (arrays, banks of data) give their pages back to the system.
      madvise(p, size_t(n) << kSpanShift, MADV_DONTNEED);
      giveSpans(span, n);
    } else if (c != kSpanFree && c != kSpanLargeTail) {
      if ((a - spanAddr(span)) % kClassSizes[c - 1] != 0) return;  // not a block start
      *ptr<uint32_t>(a) = freeList[c];
      freeList[c] = a;
      stats.liveBlocks--;
      stats.liveBytes -= kClassSizes[c - 1];
    }
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

void reserve() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* want = ptr(kRegionBase);
    void* got = mmap(want, kRegionSize, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE | MAP_NORESERVE, -1, 0);
    if (got != want) {
      std::fprintf(stderr, "korva: cannot map guest memory at 0x%08x (%s)\n", kRegionBase,
                   got == MAP_FAILED ? std::strerror(errno) : "address taken");
      std::abort();
    }
    mprotect(ptr(kGuardBase), kPageSize, PROT_NONE);
  });
}

void* checked(uint32_t a, uint32_t size) {
  if (!inGuest(a, size)) raiseRuntimeError("Illegal memory address");
  return ptr(a);
}

const char* checkedText(uint32_t a) {
  if (!inGuest(a, 1)) raiseRuntimeError("Illegal memory address");
  if (!std::memchr(ptr(a), 0, kRegionEnd - a)) raiseRuntimeError("Illegal memory address");
  return ptr<const char>(a);
}

void* alloc(uint32_t size) {
  Heap& h = heap();
  if (size == 0) size = 1;
  if (size <= kMaxSmall) return h.allocSmall(h.smallClass[(size + 15) / 16]);
  if (size > kRegionSize) return nullptr;
  return h.allocLarge(size);
}

void* allocZeroed(uint32_t size) {
  void* p = alloc(size);
  if (p) std::memset(p, 0, size);
  return p;
}

void free(void* p) {
  if (p) heap().release(p);
}

AllocStats allocStats() { return heap().stats; }

}  // namespace korva::guest
